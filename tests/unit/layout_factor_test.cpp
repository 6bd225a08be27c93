#include "layout/layout_table.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace kelvo {
namespace {

// A single-precision value as it is shown with seven significant digits.
std::string shown(float value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.7g", static_cast<double>(value));
    return text;
}

TEST(ScaleFactor, DesignScreenGivesExactlyOne) {
    EXPECT_EQ(layout::scale_factor(1440 * 15, 15, 1440), 1.0f);
    EXPECT_EQ(layout::scale_factor(900 * 15, 15, 900), 1.0f);
}

TEST(ScaleFactor, IsRoundedToSinglePrecision) {
    EXPECT_EQ(layout::scale_factor(1920 * 15, 15, 1440), 1.3333334f);
    EXPECT_EQ(layout::scale_factor(1080 * 15, 15, 900), 1.2f);
    EXPECT_EQ(layout::scale_factor(1024 * 15, 15, 1440), static_cast<float>(1024.0 / 1440));
    EXPECT_EQ(layout::scale_factor(768 * 15, 15, 900), static_cast<float>(768.0 / 900));
    EXPECT_EQ(shown(layout::scale_factor(1024 * 15, 15, 1440)), "0.7111111");
    EXPECT_EQ(shown(layout::scale_factor(768 * 15, 15, 900)), "0.8533334");
}

TEST(ScaleFactor, DependsOnPixelsNotOnTwipsPerPixel) {
    EXPECT_EQ(layout::scale_factor(1920 * 12, 12, 1440), layout::scale_factor(1920 * 15, 15, 1440));
    EXPECT_EQ(layout::scale_factor(1080 * 20, 20, 900), 1.2f);
}

} // namespace
} // namespace kelvo
