// Reading step-table cells as numbers and naming a refused row.
#include "program/step_table.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace kelvo {
namespace {

using platform::FieldValue;

TEST(CellNumber, EmptyCountsAsZeroAndNumbersAsThemselves) {
    EXPECT_EQ(cell_number(FieldValue{}), 0.0);
    EXPECT_EQ(cell_number(FieldValue{std::string()}), 0.0);
    EXPECT_EQ(cell_number(FieldValue{std::string("   ")}), 0.0);
    EXPECT_EQ(cell_number(FieldValue{31.0}), 31.0);
    EXPECT_EQ(cell_number(FieldValue{-0.1}), -0.1);
    // Held as text, a number written out is read exactly as the same literal.
    EXPECT_EQ(cell_number(FieldValue{std::string("5.1")}), 5.1);
    EXPECT_EQ(cell_number(FieldValue{std::string(" 12.5 ")}), 12.5);
    EXPECT_EQ(cell_number(FieldValue{std::string("-3")}), -3.0);
}

TEST(CellNumber, TextThatIsNotANumberIsNone) {
    for (const char* text : {"abc", "12,5", "12V", "1.2.3", "5 A", "--1", "1 2"}) {
        EXPECT_EQ(cell_number(FieldValue{std::string(text)}), std::nullopt) << text;
    }
}

TEST(CellNumber, SpelledOutInfinityAndNotANumberAreNone) {
    for (const char* text : {"nan", "NaN", "inf", "-inf", "infinity"}) {
        EXPECT_EQ(cell_number(FieldValue{std::string(text)}), std::nullopt) << text;
    }
}

TEST(StepRowPrompt, NamesTheRowFromOneWithAFullWidthSemicolon) {
    EXPECT_EQ(step_row_prompt(0, true),
              "Item No.1 error\xEF\xBC\x9BPlease enter 4 positive number less than 31");
    EXPECT_EQ(step_row_prompt(9, false),
              "Item No.10 error\xEF\xBC\x9BPlease enter 4 positive number less than 5.1");
}

} // namespace
} // namespace kelvo
