// The record file's name and lines, and the chart's numbers and positions.
#include "chart/chart.h"
#include "record/record_log.h"

#include <gtest/gtest.h>

namespace kelvo {
namespace {

TEST(RecordFileName, DigitsWithoutLeadingZerosOrSeparators) {
    EXPECT_EQ(record_file_name({2026, 12, 6, 1, 17, 3}), "20261261173.TXT");
    EXPECT_EQ(record_file_name({2026, 1, 1, 0, 0, 0}), "202611000.TXT");
    EXPECT_EQ(record_file_name({2026, 10, 20, 23, 59, 50}), "20261020235950.TXT");
    // Different moments can share the digits; later copies are told apart.
    EXPECT_EQ(record_file_name({2026, 1, 23, 4, 5, 6}), record_file_name({2026, 12, 3, 4, 5, 6}));
    EXPECT_EQ(record_file_name({2026, 1, 23, 4, 5, 6}, 1), "2026123456.TXT");
    EXPECT_EQ(record_file_name({2026, 1, 23, 4, 5, 6}, 2), "2026123456-2.TXT");
    EXPECT_EQ(record_file_name({2026, 1, 23, 4, 5, 6}, 12), "2026123456-12.TXT");
}

TEST(RecordLines, DateLineAndReadingLine) {
    EXPECT_EQ(record_date_line({2026, 3, 4, 9, 5, 7}, "9:05:07"), "2026-3-4   9:05:07");
    EXPECT_EQ(record_date_line({2026, 11, 30, 0, 0, 0}, "0:00:00"), "2026-11-30   0:00:00");
    EXPECT_EQ(record_reading_line("14:07:09", "12.34V", "0.567A"),
              "14:07:09          12.34V          0.567A");
}

TEST(ChartGeometry, ValuesAndSegmentsInDesignUnits) {
    EXPECT_FLOAT_EQ(chart::value_y(0, 1), 2500);
    EXPECT_FLOAT_EQ(chart::value_y(309.9, 1), 1260.4f);
    EXPECT_FLOAT_EQ(chart::value_y(510, 1), 460);
    EXPECT_FLOAT_EQ(chart::value_y(700, 1), -300); // above the box: left to clipping
    EXPECT_FLOAT_EQ(chart::value_y(100, 1.2f), 2520);

    EXPECT_FLOAT_EQ(chart::segment_x(1, 1), 700);
    EXPECT_FLOAT_EQ(chart::segment_x(99, 1), 8540);
    EXPECT_FLOAT_EQ(chart::segment_x(100, 1), 8620);
    EXPECT_FLOAT_EQ(chart::segment_x(100, 1.3333334f), 8620 * 1.3333334f);
}

TEST(ChartNumbers, PrintedWithASignPlace) {
    EXPECT_EQ(chart::number_text(0), " 0");
    EXPECT_EQ(chart::number_text(100), " 100");
}

TEST(ChartNumbers, ReadingFieldsAreReadByTheirLeadingDigits) {
    EXPECT_EQ(chart::field_value("0123"), 123);
    EXPECT_EQ(chart::field_value("3099"), 3099);
    EXPECT_EQ(chart::field_value("12x4"), 12);
    EXPECT_EQ(chart::field_value("x123"), 0);
    EXPECT_EQ(chart::field_value(""), 0);
}

} // namespace
} // namespace kelvo
