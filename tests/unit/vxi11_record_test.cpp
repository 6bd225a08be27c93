// Record marking: fragments joined into records however the stream is cut, records kept
// apart, and a length past the bound refused before anything of it is held.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "vxi11/record.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kelvo::vxi11 {
namespace {

std::string header(std::uint32_t length, bool last) {
    const std::uint32_t word = length | (last ? 0x80000000U : 0U);
    return {static_cast<char>(word >> 24), static_cast<char>((word >> 16) & 0xFF),
            static_cast<char>((word >> 8) & 0xFF), static_cast<char>(word & 0xFF)};
}

struct Fed {
    RecordAssembler records;
    std::vector<std::string> got;
    bool feed(const std::string& bytes) {
        return records.feed(bytes, [this](std::string_view r) { got.emplace_back(r); });
    }
};

TEST(Vxi11Record, FragmentsOfOneRecordAreJoined) {
    Fed fed;
    EXPECT_TRUE(fed.feed(header(3, false) + "abc" + header(0, false) + header(2, true) + "de"));
    EXPECT_EQ(fed.got, std::vector<std::string>{"abcde"});
    EXPECT_EQ(fed.records.held(), 0U);
}

TEST(Vxi11Record, StreamCutAnywhereGivesTheSameRecords) {
    const std::string stream =
        header(2, false) + "ab" + header(3, true) + "cde" + header(1, true) + "f";
    for (std::size_t piece = 1; piece <= stream.size(); ++piece) {
        Fed fed;
        for (std::size_t at = 0; at < stream.size(); at += piece) {
            ASSERT_TRUE(fed.feed(stream.substr(at, piece)));
        }
        EXPECT_EQ(fed.got, (std::vector<std::string>{"abcde", "f"})) << "pieces of " << piece;
    }
}

TEST(Vxi11Record, SeveralRecordsInOneFeedComeInOrder) {
    Fed fed;
    EXPECT_TRUE(fed.feed(header(1, true) + "x" + header(0, true) + header(2, true) + "yz"));
    EXPECT_EQ(fed.got, (std::vector<std::string>{"x", "", "yz"}));
}

TEST(Vxi11Record, ARecordIsHandedOverOnlyAtItsLastFragment) {
    Fed fed;
    EXPECT_TRUE(fed.feed(header(4, false) + "abcd"));
    EXPECT_TRUE(fed.got.empty());
    EXPECT_EQ(fed.records.held(), 4U);
    EXPECT_TRUE(fed.feed(header(1, true)));
    EXPECT_TRUE(fed.got.empty());
    EXPECT_TRUE(fed.feed("e"));
    EXPECT_EQ(fed.got, std::vector<std::string>{"abcde"});
}

TEST(Vxi11Record, HugeLengthBreaksTheStreamHoldingNothing) {
    Fed fed;
    EXPECT_FALSE(fed.feed(header(0x7FFFFFFFU, true) + "abc"));
    EXPECT_TRUE(fed.records.broken());
    EXPECT_EQ(fed.records.held(), 0U);
    // Nothing more is taken, not even a record that would fit.
    EXPECT_FALSE(fed.feed(header(1, true) + "x"));
    EXPECT_TRUE(fed.got.empty());
}

TEST(Vxi11Record, FragmentsAddingUpPastTheBoundBreakTheStream) {
    RecordAssembler records(100);
    int whole = 0;
    const auto count = [&whole](std::string_view) { ++whole; };
    EXPECT_TRUE(records.feed(header(100, true) + std::string(100, 'a'), count));
    EXPECT_TRUE(records.feed(header(60, false) + std::string(60, 'b'), count));
    EXPECT_FALSE(records.feed(header(41, true), count));
    EXPECT_EQ(whole, 1);
    EXPECT_EQ(records.held(), 0U);
}

TEST(Vxi11Record, ReplyIsFramedAsOneLastFragment) {
    EXPECT_EQ(frame_record("hello"), header(5, true) + "hello");
    EXPECT_EQ(frame_record(""), header(0, true));
    Fed fed;
    EXPECT_TRUE(fed.feed(frame_record(std::string(300, 'q'))));
    EXPECT_EQ(fed.got, std::vector<std::string>{std::string(300, 'q')});
}

} // namespace
} // namespace kelvo::vxi11
