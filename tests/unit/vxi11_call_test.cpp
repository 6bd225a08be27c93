// The call messages around the procedures: every call that cannot be taken is refused the
// way the remote call protocol says, with the id it came with; what is no call at all gets
// no answer.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "vxi11/device.h"
#include "vxi11_calls.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace kelvo::vxi11::testing {
namespace {

constexpr u_int kReplyType = 1;

class Vxi11Call : public ::testing::Test {
protected:
    Device device{[](const std::string&) { return std::unique_ptr<LinkPeer>(); }};

    ReplyHead answer(const std::string& record) {
        const std::optional<std::string> reply = device.core_record(1, record, 0);
        EXPECT_TRUE(reply.has_value());
        return reply ? head_of(*reply) : ReplyHead{};
    }
};

TEST_F(Vxi11Call, EmptyProcedureIsAnsweredWithTheCallersId) {
    const ReplyHead head = answer(call_without_arguments({kCoreProgram, kProcNull, 77}));
    EXPECT_EQ(head.xid, 77U);
    EXPECT_EQ(head.type, kReplyType);
    EXPECT_EQ(head.stat, 0U);
    EXPECT_EQ(head.detail, 0U);
}

TEST_F(Vxi11Call, WrongRemoteCallVersionIsDeniedNamingVersionTwo) {
    CallTo to{kCoreProgram, kProcNull, 5};
    to.rpc_version = 3;
    const ReplyHead head = answer(call_without_arguments(to));
    EXPECT_EQ(head.xid, 5U);
    EXPECT_EQ(head.stat, 1U);   // denied
    EXPECT_EQ(head.detail, 0U); // remote call version mismatch
    EXPECT_EQ(head.low, 2U);
    EXPECT_EQ(head.high, 2U);
}

TEST_F(Vxi11Call, OtherProgramIsUnavailable) {
    const ReplyHead head = answer(call_without_arguments({100003, kProcNull, 6}));
    EXPECT_EQ(head.stat, 0U);
    EXPECT_EQ(head.detail, 1U);
    // The abort channel's program is not served on the core channel either.
    EXPECT_EQ(answer(link_call(kProcAbort, 1, 7, kAbortProgram)).detail, 1U);
}

TEST_F(Vxi11Call, OtherVersionIsAMismatchNamingVersionOne) {
    CallTo to{kCoreProgram, kProcNull, 8};
    to.version = 2;
    const ReplyHead head = answer(call_without_arguments(to));
    EXPECT_EQ(head.detail, 2U);
    EXPECT_EQ(head.low, 1U);
    EXPECT_EQ(head.high, 1U);
}

TEST_F(Vxi11Call, UnknownProcedureIsUnavailable) {
    for (u_int procedure : {2U, 9U, 21U, 24U, 27U, 1000U}) {
        EXPECT_EQ(answer(call_without_arguments({kCoreProgram, procedure, 9})).detail, 3U)
            << "procedure " << procedure;
    }
}

TEST_F(Vxi11Call, ArgumentsThatDoNotDecodeAreGarbage) {
    const std::string write = write_call(1, "*IDN?\n");
    // Cut inside the data, and cut before the data's length.
    EXPECT_EQ(answer(write.substr(0, write.size() - 4)).detail, 4U);
    EXPECT_EQ(answer(write.substr(0, 40 + 16)).detail, 4U);
    // A length past what a write may carry.
    std::string forged = write;
    forged.replace(40 + 16, 4, std::string("\x7f\xff\xff\xff", 4));
    EXPECT_EQ(answer(forged).detail, 4U);
    // A device name past its bound.
    EXPECT_EQ(answer(open_call(std::string(300, 'i').c_str())).detail, 4U);
}

TEST_F(Vxi11Call, WhatIsNoCallGetsNoAnswer) {
    std::string reply = call_without_arguments({kCoreProgram, kProcNull, 3});
    reply[7] = 1; // the type word: a reply
    EXPECT_FALSE(device.core_record(1, reply, 0).has_value());
    EXPECT_FALSE(device.core_record(1, "", 0).has_value());
    EXPECT_FALSE(device.core_record(1, std::string(11, '\0'), 0).has_value());
    // A credential longer than any may be.
    std::string long_credential = call_without_arguments({kCoreProgram, kProcNull, 4});
    long_credential.replace(28, 4, std::string("\0\0\x01\x91", 4));
    EXPECT_FALSE(device.core_record(1, long_credential, 0).has_value());
}

} // namespace
} // namespace kelvo::vxi11::testing
