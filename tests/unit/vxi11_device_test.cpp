// The LAN instrument's links on a test peer: messages in and answers out with the reason a
// read ended, a read that waits for its answer or its time, the status byte, device clear,
// the lock between links, the abort channel, and the bounds a client cannot push past.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "vxi11/device.h"
#include "vxi11_calls.h"
#include "vxi11_peer.h"

#include <gtest/gtest.h>

#include <string>

namespace kelvo::vxi11::testing {
namespace {

class Vxi11Device : public ::testing::Test {
protected:
    Vxi11Device() {
        device.set_abort_port(4321);
        device.connection_opened(1, "first");
        device.connection_opened(2, "second");
    }
    // The reply due at once; "" when the call waits.
    std::string call(const std::string& record, int connection = 1, double now = 0) {
        return device.core_record(connection, record, now).value_or("");
    }
    std::int32_t open(int connection = 1) {
        const Create_LinkResp link = link_of(call(open_call("inst0"), connection));
        EXPECT_EQ(link.error, 0);
        return link.lid;
    }
    std::vector<Reply> poll(double now) { return device.poll(now); }

    PeerLog log;
    Device device{test_peers(log)};
};

TEST_F(Vxi11Device, AMessageGoesInWholeAndItsAnswerComesOutWithTheReasonTheReadEnded) {
    const Create_LinkResp link = link_of(call(open_call("inst0")));
    EXPECT_EQ(link.error, 0);
    EXPECT_EQ(link.abortPort, 4321);
    EXPECT_EQ(link.maxRecvSize, kMaxRecvSize);
    EXPECT_EQ(log.clients, std::vector<std::string>{"first link " + std::to_string(link.lid)});
    // Written in two pieces: the peer sees one message, at its end.
    EXPECT_EQ(written_of(call(write_call(link.lid, "*ID", 0))).size, 3U);
    EXPECT_TRUE(log.messages.empty());
    EXPECT_EQ(written_of(call(write_call(link.lid, "N?\n"))).error, 0);
    EXPECT_EQ(log.messages, std::vector<std::string>{"*IDN?\n"});
    const ReadOut all = read_of(call(read_call(link.lid, 1000, 0)));
    EXPECT_EQ(all.data, log.answer);
    EXPECT_EQ(all.reason, kReasonEnd);
    // In pieces: the count, then the terminator, then the end with it.
    log.answer = "1,2\n3\n";
    call(write_call(link.lid, "A?"));
    ReadOut part = read_of(call(read_call(link.lid, 2, 0)));
    EXPECT_EQ(part.data, "1,");
    EXPECT_EQ(part.reason, kReasonRequestCount);
    part = read_of(call(read_call(link.lid, 100, 0, kFlagTermChar, '\n')));
    EXPECT_EQ(part.data, "2\n");
    EXPECT_EQ(part.reason, kReasonTermChar);
    part = read_of(call(read_call(link.lid, 100, 0, kFlagTermChar, '\n')));
    EXPECT_EQ(part.data, "3\n");
    EXPECT_EQ(part.reason, kReasonTermChar | kReasonEnd);
    // Nothing left and nothing coming: the read's time is up at once.
    EXPECT_EQ(read_of(call(read_call(link.lid, 100, 0))).error, error::kIoTimeout);
    // Only the one instrument there is.
    EXPECT_EQ(link_of(call(open_call("inst0,1"))).error, error::kNotAccessible);
    EXPECT_EQ(link_of(call(open_call("gpib0"))).error, error::kNotAccessible);
    EXPECT_EQ(link_of(call(open_call("INST1"))).error, 0);
}

TEST_F(Vxi11Device, AReadWaitsForItsAnswerAndHoldsTheCallsBehindIt) {
    const std::int32_t lid = open();
    log.hold_answers = true;
    call(write_call(lid, "MEAS?\n"));
    EXPECT_EQ(call(read_call(lid, 100, 500, 0, 0, 0, 10), 1, 0), "");
    EXPECT_EQ(call(call_without_arguments({kCoreProgram, kProcNull, 11}), 1, 0), "");
    // Another connection is not held.
    EXPECT_EQ(head_of(call(call_without_arguments({kCoreProgram, kProcNull, 12}), 2)).xid, 12U);
    EXPECT_TRUE(device.waiting());
    EXPECT_TRUE(poll(0.1).empty());
    log.let_go = true;
    const std::vector<Reply> replies = poll(0.2);
    ASSERT_EQ(replies.size(), 2U);
    EXPECT_EQ(head_of(replies[0].message).xid, 10U);
    EXPECT_EQ(read_of(replies[0].message).data, log.answer);
    EXPECT_EQ(head_of(replies[1].message).xid, 11U);
    EXPECT_FALSE(device.waiting());
    // No answer at all: the read ends when its time is up, not before.
    call(read_call(lid, 100, 500), 1, 1.0);
    EXPECT_TRUE(poll(1.4).empty());
    const std::vector<Reply> late = poll(1.5);
    ASSERT_EQ(late.size(), 1U);
    EXPECT_EQ(read_of(late[0].message).error, error::kIoTimeout);
}

TEST_F(Vxi11Device, StatusByteTellsOfUnreadAnswersAndClearDropsThem) {
    const std::int32_t lid = open();
    log.status_byte = 0x04;
    EXPECT_EQ(status_of(call(generic_call(kProcReadStb, lid))).stb, 0x04);
    call(write_call(lid, "*IDN?\n"));
    EXPECT_EQ(status_of(call(generic_call(kProcReadStb, lid))).stb, 0x14);
    read_of(call(read_call(lid, 1000, 0)));
    EXPECT_EQ(status_of(call(generic_call(kProcReadStb, lid))).stb, 0x04);
    // Clear: the unread answer and a message not yet ended are gone.
    call(write_call(lid, "*IDN?\n"));
    call(write_call(lid, "VOLT 5", 0));
    EXPECT_EQ(error_of(call(generic_call(kProcClear, lid))), 0);
    EXPECT_EQ(log.clears, 1);
    EXPECT_EQ(read_of(call(read_call(lid, 1000, 0))).error, error::kIoTimeout);
    call(write_call(lid, ";OUTP 1\n"));
    EXPECT_EQ(log.messages.back(), ";OUTP 1\n");
}

TEST_F(Vxi11Device, TheLockKeepsOtherLinksOutUntilReleasedOrTheirWaitIsUp) {
    const std::int32_t mine = open(1);
    const std::int32_t theirs = open(2);
    EXPECT_EQ(error_of(call(lock_call(mine))), 0);
    // Refused at once without the flag to wait, whatever the time to wait.
    EXPECT_EQ(written_of(call(write_call(theirs, "OUTP 1\n", kFlagEnd, 500), 2)).error,
              error::kLocked);
    EXPECT_EQ(error_of(call(link_call(kProcUnlock, theirs), 2)), error::kNoLock);
    EXPECT_EQ(link_of(call(open_call("inst0", true), 2)).error, error::kLocked);
    EXPECT_EQ(written_of(call(write_call(mine, "OUTP 1\n"))).error, 0);
    // Waiting for the lock: given when it is released within the wait.
    EXPECT_EQ(call(lock_call(theirs, kFlagWaitLock, 500, 20), 2, 1.0), "");
    EXPECT_TRUE(poll(1.2).empty());
    EXPECT_EQ(error_of(call(link_call(kProcUnlock, mine))), 0);
    std::vector<Reply> replies = poll(1.3);
    ASSERT_EQ(replies.size(), 1U);
    EXPECT_EQ(replies[0].connection, 2);
    EXPECT_EQ(error_of(replies[0].message), 0);
    // And refused when the wait is up first.
    EXPECT_EQ(call(write_call(mine, "OUTP 0\n", kFlagWaitLock | kFlagEnd, 100), 1, 2.0), "");
    EXPECT_TRUE(poll(2.05).empty());
    replies = poll(2.15);
    ASSERT_EQ(replies.size(), 1U);
    EXPECT_EQ(written_of(replies[0].message).error, error::kLocked);
    EXPECT_EQ(log.messages.back(), "OUTP 1\n");
    // A closed connection's links let go of the lock.
    device.connection_closed(2);
    EXPECT_EQ(device.link_count(), 1U);
    EXPECT_EQ(error_of(call(lock_call(mine))), 0);
}

TEST_F(Vxi11Device, DestroyedLinksAreGoneAndTheAbortChannelEndsAWaitingRead) {
    const std::int32_t lid = open();
    EXPECT_EQ(log.alive, 1);
    EXPECT_EQ(error_of(call(link_call(kProcDestroyLink, lid))), 0);
    EXPECT_EQ(log.alive, 0);
    EXPECT_EQ(written_of(call(write_call(lid, "*RST\n"))).error, error::kInvalidLink);
    EXPECT_EQ(error_of(call(link_call(kProcDestroyLink, lid))), error::kInvalidLink);
    const std::int32_t other = open();
    EXPECT_EQ(call(read_call(other, 100, 60'000, 0, 0, 0, 30)), "");
    const std::optional<std::string> aborted =
        device.abort_record(link_call(kProcAbort, other, 31, kAbortProgram));
    ASSERT_TRUE(aborted.has_value());
    EXPECT_EQ(error_of(*aborted), 0);
    const std::vector<Reply> replies = poll(0.01);
    ASSERT_EQ(replies.size(), 1U);
    EXPECT_EQ(head_of(replies[0].message).xid, 30U);
    EXPECT_EQ(read_of(replies[0].message).error, error::kAbort);
    EXPECT_EQ(error_of(*device.abort_record(link_call(kProcAbort, 999, 1, kAbortProgram))),
              error::kInvalidLink);
    // The core program is not served on the abort channel.
    EXPECT_EQ(head_of(*device.abort_record(call_without_arguments({kCoreProgram, 0, 2}))).detail,
              1U);
}

TEST_F(Vxi11Device, NoClientPushesPastTheBounds) {
    for (std::size_t i = 0; i < kMaxLinks; ++i) {
        open();
    }
    EXPECT_EQ(link_of(call(open_call("inst0"))).error, error::kOutOfResources);
    device.connection_closed(1);
    const std::int32_t lid = open(2);
    // A message grown past its bound in pieces is refused and dropped.
    const std::string piece(kMaxRecvSize, 'x');
    int refused = 0;
    for (std::size_t sent = 0; sent <= kMaxMessageBytes && refused == 0; sent += piece.size()) {
        refused = written_of(call(write_call(lid, piece, 0), 2)).error;
    }
    EXPECT_EQ(refused, error::kOutOfResources);
    EXPECT_TRUE(log.messages.empty());
    // Answers nobody reads: the next message is refused, not carried out.
    log.answer = std::string(kMaxUnreadBytes, 'a');
    EXPECT_EQ(written_of(call(write_call(lid, "Q?\n"), 2)).error, 0);
    EXPECT_EQ(written_of(call(write_call(lid, "Q?\n"), 2)).error, error::kOutOfResources);
    EXPECT_EQ(log.messages.size(), 1U);
    // Calls queued behind a waiting one, past the bound: the connection is overloaded.
    device.connection_opened(3, "third");
    const std::int32_t slow = open(3);
    call(read_call(slow, 10, 60'000), 3);
    const std::string null_call = call_without_arguments({kCoreProgram, kProcNull, 5});
    for (std::size_t i = 0; i < kMaxQueuedCalls; ++i) {
        call(null_call, 3);
        EXPECT_FALSE(device.overloaded(3)) << i;
    }
    call(null_call, 3);
    EXPECT_TRUE(device.overloaded(3));
    EXPECT_TRUE(poll(100).empty());
}

} // namespace
} // namespace kelvo::vxi11::testing
