// The pure text functions: command and reply frames, and set-point texts.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/protocol.h"
#include "settings/setpoint_text.h"

#include <gtest/gtest.h>

namespace kelvo {
namespace {

TEST(Protocol, FramesOnTheWire) {
    EXPECT_EQ(command_frame_text(5, 'H', 1200, 'N'), "QZPPSU0005H1200N");
    EXPECT_EQ(find_reply_frame("x1QZPPSU0100A0200WQZPPSU1234A0567WQZPPSU12").frame,
              "QZPPSU1234A0567W");
    EXPECT_EQ(find_reply_frame("\xff\xffQZPPSU\xff"
                               "1234A0567W\xff")
                  .frame,
              "QZPPSU1234A0567W");
    for (const char* bad : {"QZPPSU1199A1498X", "QZPPSU1199A1498b", "QZPPSU1199A1x98W"}) {
        EXPECT_FALSE(receive_con(bad)) << bad;
    }
    EXPECT_EQ(voltage_reading_display("1234"), "12.34V");
    EXPECT_EQ(current_reading_display("0567"), "0.567A");
}

TEST(SetpointText, ChecksRoundsAndShows) {
    for (const char* text : {"31V", "31.00V", "", "V", ".5V", "5.V"}) {
        EXPECT_FALSE(Text_err(text, 'V')) << text;
    }
    for (const char* text : {"012.34V", "1.2.3V", "12V3", "1VV", "-1V", "12v", "1A"}) {
        EXPECT_TRUE(Text_err(text, 'V')) << text;
    }
    EXPECT_DOUBLE_EQ(leading_number("-.5"), -0.5);
    EXPECT_EQ(round_half_even(2.5), 2);
    EXPECT_EQ(round_half_even(3.5), 4);
    EXPECT_EQ(to_int16(1.2345 * 100), 123); // a step of 1.2345 V: under a half goes down
    EXPECT_EQ(to_int16(40000), 32767);
    EXPECT_EQ(slider_text(1, 100, 'V'), "0.01V");
    EXPECT_EQ(slider_text(50, 1000, 'A'), "0.05A");
    EXPECT_EQ(slider_text(51, 10, 'A'), "5.1A");
}

} // namespace
} // namespace kelvo
