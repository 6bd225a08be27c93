#include "settings/setpoint_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

namespace kelvo {
namespace {

TEST(TextErr, AcceptsWellFormedSetpoints) {
    for (const char* text : {"31V", "31.00V", "0V", "12V", ".5V", "5.V", "30.99V"}) {
        EXPECT_FALSE(Text_err(text, 'V')) << text;
    }
    for (const char* text : {"5.1A", ".0015A", "0A", "5.101A"}) {
        EXPECT_FALSE(Text_err(text, 'A')) << text;
    }
}

TEST(TextErr, EmptyTextAndLoneUnitPass) {
    // Nothing in an empty text can fail a test, and the unit's position 0 equals its
    // length 0. The delayed commit appends the unit first, so it sees "V" and accepts 0 V.
    EXPECT_FALSE(Text_err("", 'V'));
    EXPECT_FALSE(Text_err("V", 'V'));
    EXPECT_FALSE(Text_err("A", 'A'));
}

TEST(TextErr, RejectsTextsLongerThanSixCharacters) {
    EXPECT_TRUE(Text_err("012.34V", 'V'));
    EXPECT_TRUE(Text_err("12.345V", 'V'));
    EXPECT_TRUE(Text_err("0.0005A", 'A'));
    EXPECT_FALSE(Text_err("12.34V", 'V'));
}

TEST(TextErr, RejectsMisplacedOrRepeatedUnitAndPoint) {
    for (const char* text : {"12V3", "1.2.3V", "1VV", "12", "V12", "12A"}) {
        EXPECT_TRUE(Text_err(text, 'V')) << text;
    }
}

TEST(TextErr, RejectsForeignCharacters) {
    for (const char* text : {"12,5V", "-1V", "+1V", " 1V", "1e1V", "12v", "12vV"}) {
        EXPECT_TRUE(Text_err(text, 'V')) << text;
    }
    // Non-ASCII: a full-width digit, a degree sign, a Chinese character.
    for (const char* text : {"１2V", "1°V", "中V"}) {
        EXPECT_TRUE(Text_err(text, 'V')) << text;
    }
}

TEST(TextErr, UnitLetterIsCaseSensitive) {
    EXPECT_TRUE(Text_err("1a", 'A'));
    EXPECT_TRUE(Text_err("1A", 'V'));
}

TEST(LeadingNumber, ReadsDigitsWithOnePoint) {
    EXPECT_DOUBLE_EQ(leading_number("12.34V"), 12.34);
    EXPECT_DOUBLE_EQ(leading_number(".5V"), 0.5);
    EXPECT_DOUBLE_EQ(leading_number("5.V"), 5);
    EXPECT_DOUBLE_EQ(leading_number("1.2.3V"), 1.2);
    EXPECT_DOUBLE_EQ(leading_number("100"), 100);
}

TEST(LeadingNumber, IsTheSameDoubleAsTheLiteral) {
    // The conversion codes depend on this: 0.015 * 100 must be exactly 1.5.
    EXPECT_EQ(leading_number("0.015V"), 0.015);
    EXPECT_EQ(leading_number("12.345V"), 12.345);
    EXPECT_EQ(leading_number("0.0015A"), 0.0015);
}

TEST(LeadingNumber, NoNumberGivesZero) {
    for (const char* text : {"", "V", "abc", ".", "-", " ", "x"}) {
        EXPECT_EQ(leading_number(text), 0) << text;
    }
}

TEST(LeadingNumber, SkipsBlanksAndTakesASign) {
    EXPECT_DOUBLE_EQ(leading_number("  7"), 7);
    EXPECT_DOUBLE_EQ(leading_number("\t3V"), 3);
    EXPECT_DOUBLE_EQ(leading_number("-3"), -3);
    EXPECT_DOUBLE_EQ(leading_number("+2.5"), 2.5);
    EXPECT_DOUBLE_EQ(leading_number("-.5"), -0.5);
    EXPECT_DOUBLE_EQ(leading_number("40000"), 40000);
}

TEST(LeadingNumber, MoreDigitsThanADoubleHoldsReadAsInfinity) {
    // A run count typed as hundreds of digits once read as 0 runs.
    const std::string huge(400, '9');
    EXPECT_EQ(leading_number(huge), std::numeric_limits<double>::infinity());
    EXPECT_EQ(leading_number("-" + huge + ".5"), -std::numeric_limits<double>::infinity());
    EXPECT_EQ(to_int16(leading_number(huge)), 32767);
    EXPECT_EQ(to_int16(leading_number("-" + huge)), -32768);
    // A fraction too small for a double is 0.
    EXPECT_EQ(leading_number("0." + std::string(400, '0') + "1"), 0);
    EXPECT_EQ(leading_number(std::string(400, '0') + "7"), 7);
}

TEST(RoundHalfEven, HalvesGoToTheEvenNeighbour) {
    EXPECT_EQ(round_half_even(2.5), 2);
    EXPECT_EQ(round_half_even(3.5), 4);
    EXPECT_EQ(round_half_even(0.5), 0);
    EXPECT_EQ(round_half_even(1.5), 2);
    EXPECT_EQ(round_half_even(-2.5), -2);
    EXPECT_EQ(round_half_even(-3.5), -4);
    EXPECT_EQ(round_half_even(1234.5), 1234);
}

TEST(RoundHalfEven, OtherValuesGoToTheNearest) {
    EXPECT_EQ(round_half_even(2.4999), 2);
    EXPECT_EQ(round_half_even(2.5001), 3);
    EXPECT_EQ(round_half_even(-2.6), -3);
    EXPECT_EQ(round_half_even(-2.4), -2);
    EXPECT_EQ(round_half_even(7), 7);
}

TEST(ToInt16, RoundsHalfEvenAndClamps) {
    EXPECT_EQ(to_int16(2.5), 2);
    EXPECT_EQ(to_int16(3.5), 4);
    EXPECT_EQ(to_int16(-2.5), -2);
    EXPECT_EQ(to_int16(32767), 32767);
    EXPECT_EQ(to_int16(32767.5), 32767);
    EXPECT_EQ(to_int16(40000), 32767);
    EXPECT_EQ(to_int16(1e300), 32767);
    EXPECT_EQ(to_int16(-32768), -32768);
    EXPECT_EQ(to_int16(-40000), -32768);
    EXPECT_EQ(to_int16(-std::numeric_limits<double>::infinity()), -32768);
    EXPECT_EQ(to_int16(std::nan("")), 0);
}

TEST(SliderText, VoltsInHundredths) {
    EXPECT_EQ(slider_text(1234, 100, 'V'), "12.34V");
    EXPECT_EQ(slider_text(1230, 100, 'V'), "12.3V");
    EXPECT_EQ(slider_text(50, 100, 'V'), "0.5V");
    EXPECT_EQ(slider_text(1, 100, 'V'), "0.01V");
    EXPECT_EQ(slider_text(3100, 100, 'V'), "31V");
    EXPECT_EQ(slider_text(0, 100, 'V'), "0V");
}

TEST(SliderText, AmperesInThousandths) {
    EXPECT_EQ(slider_text(1234, 1000, 'A'), "1.234A");
    EXPECT_EQ(slider_text(5, 1000, 'A'), "0.005A");
    EXPECT_EQ(slider_text(50, 1000, 'A'), "0.05A");
    EXPECT_EQ(slider_text(5100, 1000, 'A'), "5.1A");
}

TEST(SliderText, TenthsMakeTheCurrentPresets) {
    EXPECT_EQ(slider_text(0, 10, 'A'), "0A");
    EXPECT_EQ(slider_text(1, 10, 'A'), "0.1A");
    EXPECT_EQ(slider_text(10, 10, 'A'), "1A");
    EXPECT_EQ(slider_text(51, 10, 'A'), "5.1A");
}

} // namespace
} // namespace kelvo
