// The LAN instrument speaking remote control's language on the window model: a message's
// end ends its line, each link has a session of its own, a MEASure that waits holds its
// read, and the status byte and device clear reach the session.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "scenario/fixture.h"
#include "unit/vxi11_calls.h"
#include "vxi11/device.h"
#include "vxi11/session_peer.h"

namespace kelvo::testing {
namespace {

using namespace vxi11;
using namespace vxi11::testing;

class InstrumentSession : public SupplyTest {
protected:
    InstrumentSession() { device.connection_opened(1, "bench"); }
    std::string call(const std::string& record) {
        return device.core_record(1, record, ui.clock.steady).value_or("");
    }
    std::int32_t open() { return link_of(call(open_call("inst0"))).lid; }
    // What a client writing `message` and reading at once gets back.
    std::string query(std::int32_t lid, const std::string& message) {
        call(write_call(lid, message));
        return read_of(call(read_call(lid, 4096, 0))).data;
    }

    Device device{session_peers(form)};
};

TEST_F(InstrumentSession, AMessageEndsItsLineAndEachLinkKeepsItsOwnErrors) {
    const std::int32_t first = open();
    const std::int32_t second = open();
    EXPECT_EQ(query(first, "VOLT 5;VOLT?"), "5.00\n");
    EXPECT_EQ(query(first, "*IDN?\r\nSYST:ERR?\n"), "KELVO,KELVO desktop,0,1.0\n0,\"No error\"\n");
    EXPECT_EQ(query(first, "FOO"), "");
    EXPECT_EQ(query(second, "SYST:ERR?"), "0,\"No error\"\n");
    EXPECT_EQ(query(first, "SYST:ERR?"), "-113,\"Undefined header\"\n");
    // A line too long for the language is refused once, and the next one is heard.
    EXPECT_EQ(query(second, std::string(5000, 'V') + "\n*OPC?"),
              "ERROR: line longer than 4096 bytes, ignored\n1\n");
}

TEST_F(InstrumentSession, AWaitingMeasureHoldsTheReadUntilTheSupplyAnswers) {
    attach_supply("0500", "1000");
    second(2); // silent since
    const std::int32_t lid = open();
    call(write_call(lid, "MEAS:VOLT?\n"));
    EXPECT_EQ(call(read_call(lid, 100, 3000, 0, 0, 0, 40)), "");
    EXPECT_TRUE(device.waiting());
    answer("0700", "0100");
    tick(10);
    const std::vector<Reply> replies = device.poll(ui.clock.steady);
    ASSERT_EQ(replies.size(), 1U);
    const ReadOut read = read_of(replies[0].message);
    EXPECT_EQ(read.data, "7.00\n");
    EXPECT_EQ(read.reason, kReasonEnd);
}

TEST_F(InstrumentSession, StatusByteAndDeviceClearReachTheSession) {
    const std::int32_t lid = open();
    call(write_call(lid, "*SRE 16;FOO\n"));
    EXPECT_EQ(status_of(call(generic_call(kProcReadStb, lid))).stb, 0x04);
    // An unread answer is a message available, and with it a request for service.
    call(write_call(lid, "*IDN?\n"));
    EXPECT_EQ(status_of(call(generic_call(kProcReadStb, lid))).stb, 0x54);
    call(generic_call(kProcClear, lid));
    EXPECT_EQ(status_of(call(generic_call(kProcReadStb, lid))).stb, 0x04);
    // The registers stay: the error, and the enable mask (the line's first answer waits).
    EXPECT_EQ(query(lid, "SYST:ERR?;*STB?"), "-113,\"Undefined header\";80\n");
}

} // namespace
} // namespace kelvo::testing
