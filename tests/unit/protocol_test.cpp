#include "link/protocol.h"

#include <gtest/gtest.h>

namespace kelvo {
namespace {

TEST(Protocol, CommandFramesCarryFourDigitCodesAndLetters) {
    EXPECT_EQ(digits4(3100), "3100");
    EXPECT_EQ(digits4(50), "0050");
    EXPECT_EQ(digits4(0), "0000");
    EXPECT_EQ(command_frame_text(1200, 'H', 1500, 'O'), "QZPPSU1200H1500O");
    EXPECT_EQ(command_frame_text(1200, 'C', 1500, 'N'), "QZPPSU1200C1500N");
    EXPECT_EQ(command_frame_text(5, 'H', 1, 'N'), "QZPPSU0005H0001N");
}

TEST(Protocol, FrameCheckWantsHeaderSeparatorStatusAndDigits) {
    EXPECT_TRUE(receive_con("QZPPSU1199A1498W"));
    EXPECT_TRUE(receive_con("QZPPSU1199A1498B"));
    EXPECT_TRUE(receive_con("QZPPSU9999A9999W")); // no maximum: a supply may read high
    EXPECT_FALSE(receive_con("QZPPSU1199A1498X"));
    EXPECT_FALSE(receive_con("QZPPSU1199H1498W"));
    EXPECT_FALSE(receive_con("qzppsu1199A1498W"));
    EXPECT_FALSE(receive_con("QZPPSU1199A1498"));
    EXPECT_FALSE(receive_con("QZPPSU11x9A1498W"));
    EXPECT_FALSE(receive_con("QZPPSU1199A 498W"));
    EXPECT_FALSE(receive_con(""));
}

TEST(Protocol, StrayPrefixWholeFrameAndTornTail) {
    const ReplySearch r = find_reply_frame("x1QZPPSU1234A0567WQZPPSU12");
    ASSERT_EQ(r.result, ReplyResult::ValidFrame);
    EXPECT_EQ(r.frame, "QZPPSU1234A0567W");
    EXPECT_EQ(voltage_reading_display("1234"), "12.34V");
    EXPECT_EQ(current_reading_display("0567"), "0.567A");
    EXPECT_EQ(voltage_reading_display("0000"), "00.00V");
    EXPECT_EQ(current_reading_display("0000"), "0.000A");
}

TEST(Protocol, NewestValidFrameWins) {
    EXPECT_EQ(find_reply_frame("QZPPSU0100A0200WQZPPSU0300A0400W").frame, "QZPPSU0300A0400W");
    // The newest has a bad status letter: the one before it is taken.
    EXPECT_EQ(find_reply_frame("QZPPSU0100A0200WQZPPSU0300A0400X").frame, "QZPPSU0100A0200W");
}

TEST(Protocol, NegativeResults) {
    EXPECT_EQ(find_reply_frame("").result, ReplyResult::NoHeader);
    EXPECT_EQ(find_reply_frame("qzppsu1234A0567W").result, ReplyResult::NoHeader);
    EXPECT_EQ(find_reply_frame("garbageQZPPSU1234A05").result, ReplyResult::NoWholeFrame);
    EXPECT_EQ(find_reply_frame("QZPPSU1234A0567XQZPPSU1234A0567XQZPPSU1234H0567W").result,
              ReplyResult::NoValidFrame);
    // Misaligned: garbage between frames shifts every later frame off the 16-step grid.
    EXPECT_EQ(find_reply_frame("QZPPSU1234A0567XzQZPPSU1234A0567W").result,
              ReplyResult::NoValidFrame);
}

TEST(Protocol, Bytes255AreRemovedFirst) {
    const std::string data = "\xff\xffQZPPSU\xff"
                             "1234A0567W\xff";
    const ReplySearch r = find_reply_frame(data);
    ASSERT_EQ(r.result, ReplyResult::ValidFrame);
    EXPECT_EQ(r.frame, "QZPPSU1234A0567W");
    EXPECT_EQ(strip_255(data), "QZPPSU1234A0567W");
}

TEST(Protocol, HeaderNotAtTheStartOfTheData) {
    const ReplySearch r = find_reply_frame("zQZPPSU1234A0567W");
    ASSERT_EQ(r.result, ReplyResult::ValidFrame);
    EXPECT_EQ(r.frame, "QZPPSU1234A0567W");
}

TEST(Protocol, ShortReadingsDoNotCrashTheDisplayForms) {
    EXPECT_EQ(voltage_reading_display(""), ".V");
    EXPECT_EQ(current_reading_display("1"), "1.A");
}

} // namespace
} // namespace kelvo
