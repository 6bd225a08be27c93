// Steps from and to CSV text, and the ramp: what a file or a ramp may hold, and how a
// refusal names its line and the limit it breaks.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "program/step_csv.h"

#include <gtest/gtest.h>

namespace kelvo {
namespace {

constexpr const char* kHeader = "voltage V,current A,seconds\r\n";

std::vector<std::string> described(const std::vector<StepProblem>& problems, bool english = true) {
    std::vector<std::string> texts;
    texts.reserve(problems.size());
    for (const StepProblem& problem : problems) {
        texts.push_back(describe(problem, english));
    }
    return texts;
}

std::vector<std::string> file_problems(std::string_view text) {
    const StepFile file = parse_step_csv(text);
    EXPECT_TRUE(file.steps.empty());
    return described(file.problems);
}

TEST(StepCsv, ReadsSemicolonsCrLfAnyColumnOrderAndSpreadsheetRounding) {
    const StepFile file = parse_step_csv("\xEF\xBB\xBF\"seconds\";Voltage (V);current A\r\n"
                                         "5; 3.3000000000000003 ;0.5\r\n"
                                         "\r\n"
                                         "1;+31;5.1\n");
    ASSERT_TRUE(file.valid()) << describe(file.problems.front(), true);
    EXPECT_EQ(file.steps, (std::vector<Step>{{330, 500, 5, {}}, {3100, 5100, 1, {}}}));
}

TEST(StepCsv, RefusesTheWholeFileNamingEachBadLineAndItsLimit) {
    const std::string text = std::string(kHeader) + "32.5,1,1\n"   // 2
                                                    "1,-0.1,1\n"   // 3
                                                    "1,5.2,1\n"    // 4
                                                    "1,1,0\n"      // 5
                                                    "1,1,40000\n"  // 6
                                                    "1,1,2.5\n"    // 7
                                                    "1.234,1,1\n"  // 8
                                                    "1,0.0005,1\n" // 9
                                                    "3,3,1,1\n"    // 10
                                                    "x,1,1\n"      // 11
                                                    "1,,1\n"       // 12
                                                    "1,1\n"        // 13
                                                    "nan,1,1\n"    // 14
                                                    "-1,1,1\n"     // 15
                                                    "1,1,1\n";     // a good line changes nothing
    EXPECT_EQ(file_problems(text),
              (std::vector<std::string>{
                  "line 2: voltage 32.5 V is above 31 V",
                  "line 3: current -0.1 A is below 0 A",
                  "line 4: current 5.2 A is above 5.1 A",
                  "line 5: seconds 0 s is below 1 s",
                  "line 6: seconds 40000 s is above 32767 s",
                  "line 7: seconds 2.5 s is not a whole number",
                  "line 8: voltage 1.234 V is finer than 10 mV",
                  "line 9: current 0.0005 A is finer than 1 mA",
                  "line 10: more fields than the header line names",
                  "line 11: voltage \"x\" is not a number (a decimal point, please)",
                  "line 12: no current",
                  "line 13: no seconds",
                  "line 14: voltage \"nan\" is not a number (a decimal point, please)",
                  "line 15: voltage -1 V is below 0 V",
              }));
    EXPECT_EQ(describe(parse_step_csv(std::string(kHeader) + "32.5,1,1\n").problems.at(0), false),
              "第 2 行：电压 32.5 V 高于 31 V");
}

TEST(StepCsv, RefusesEmptyFilesAndHeadersItCannotUse) {
    EXPECT_EQ(file_problems(""), std::vector<std::string>{"the file is empty"});
    EXPECT_EQ(file_problems("\r\n \n"), std::vector<std::string>{"the file is empty"});
    EXPECT_EQ(file_problems(kHeader),
              std::vector<std::string>{"the file has its header line but no steps"});
    EXPECT_EQ(file_problems("\nvoltage;current\n1;1\n"),
              std::vector<std::string>{"line 2: the header line has no seconds column"});
    EXPECT_EQ(
        file_problems("volts,amps,x\n1,1,1\n"),
        std::vector<std::string>{"line 1: column \"x\" is none of voltage V, current A, seconds"});
    EXPECT_EQ(file_problems("v,volts,s\n"),
              std::vector<std::string>{"line 1: column \"volts\" is given twice"});
    EXPECT_EQ(file_problems(std::string("\x00\xff\x7f,\n\x01", 6)).size(), 1U);
}

TEST(StepCsv, HoldsAsManyStepsAsTheTableAndKeepsAHundredProblems) {
    std::string text = kHeader;
    for (int step = 0; step < 32767; ++step) {
        text += "1,1,1\n";
    }
    EXPECT_EQ(parse_step_csv(text).steps.size(), 32767U);
    EXPECT_EQ(file_problems(text + "1,1,1\n"),
              std::vector<std::string>{
                  "line 32769: more than 32767 steps; the step table holds 32767 at most"});

    std::string junk = kHeader;
    for (int line = 0; line < 500; ++line) {
        junk += "1,1,x\n";
    }
    const StepFile refused = parse_step_csv(junk);
    EXPECT_EQ(refused.problems.size(), kProblemsKept);
    EXPECT_EQ(refused.problem_lines, 500);
}

TEST(StepCsv, WritesTheTableSoThatItReadsBackTheSame) {
    using platform::FieldValue;
    const std::vector<std::array<FieldValue, 3>> table{
        {3.3, 0.5, 5.0}, {31.0, 5.1, 32767.0}, {0.01, 0.001, 1.0}};
    const std::string text = step_csv(table);
    EXPECT_EQ(text, "voltage V,current A,seconds\r\n3.3,0.5,5\r\n31,5.1,32767\r\n"
                    "0.01,0.001,1\r\n");
    const StepFile file = parse_step_csv(text);
    ASSERT_EQ(file.steps.size(), table.size());
    for (std::size_t row = 0; row < table.size(); ++row) {
        const std::array<double, 3> values = step_values(file.steps[row]);
        for (std::size_t column = 0; column < 3; ++column) {
            EXPECT_EQ(FieldValue(values.at(column)), table[row].at(column));
        }
    }
    // Cells the grid left empty or holding text go out as they are.
    EXPECT_EQ(step_csv({{FieldValue{}, std::string("a\"b"), 1.0}}),
              "voltage V,current A,seconds\r\n,\"a\"\"b\",1\r\n");
}

TEST(StepCsvConditions, WritesTheirColumnsOnlyWhenARowHasOneAndReadsThemBack) {
    using platform::FieldValue;
    const StepCondition drained{ConditionKind::CurrentBelow, 0.05, 10, 600, true};
    const StepCondition charged{ConditionKind::ChargeAbove, 1200, 0, std::nullopt, false};
    const std::vector<TableRow> table{
        {{3.3, 0.5, 5.0}, condition_cells(drained)},
        {{1.0, 1.0, 1.0}, {}},
        {{12.0, 2.0, 60.0}, condition_cells(charged)},
    };
    const std::string text = step_csv(table);
    EXPECT_EQ(text, "voltage V,current A,seconds,end when,level,shortest s,longest s,then\r\n"
                    "3.3,0.5,5,\"I<\",0.05,10,600,\"stop\"\r\n"
                    "1,1,1,,,,,\r\n"
                    "12,2,60,\"mAh>\",1200,,,\r\n");
    const StepFile file = parse_step_csv(text);
    ASSERT_TRUE(file.valid()) << describe(file.problems.front(), true);
    EXPECT_EQ(
        file.steps,
        (std::vector<Step>{{330, 500, 5, drained}, {100, 1000, 1, {}}, {1200, 2000, 60, charged}}));
    // Empty condition fields are no condition: the table exports as it always did.
    EXPECT_EQ(step_csv(std::vector<TableRow>{{{1.0, 1.0, 1.0}, {FieldValue{}, std::string(" ")}}}),
              "voltage V,current A,seconds\r\n1,1,1\r\n");
}

TEST(StepCsvConditions, ColumnsComeInAnyOrderByTheirOwnOrTheTablesNames) {
    const StepFile file = parse_step_csv("Then;seconds;EndLevel;voltage V;End When;current A\n"
                                         "STOP;5;4.5;3.3; v> ;0.5\n"
                                         ";1;;1;;1\n");
    ASSERT_TRUE(file.valid()) << describe(file.problems.front(), true);
    EXPECT_EQ(file.steps,
              (std::vector<Step>{{330, 500, 5, {ConditionKind::VoltageAbove, 4.5, 0, {}, true}},
                                 {100, 1000, 1, {}}}));
    EXPECT_EQ(file_problems("voltage V,current A,seconds,level,EndLevel\n1,1,1,1,1\n"),
              std::vector<std::string>{"line 1: column \"EndLevel\" is given twice"});
}

TEST(StepCsvConditions, ABadConditionNamesItsLineAndCell) {
    const std::string kNotACondition =
        "line 2: end when \"Q<\" is not a condition; use I<, I>, V<, V>, P<, P>, mAh> or mWh>";
    const std::string header = "voltage V,current A,seconds,end when,level,shortest s,longest s,"
                               "then\n";
    EXPECT_EQ(file_problems(header + "1,1,1,Q<,1,,,\n"        // 2
                                     "1,1,1,I<,,,,\n"         // 3
                                     "1,1,1,I<,6,,,\n"        // 4
                                     "1,1,1,I<,0.1,2.5,,\n"   // 5
                                     "1,1,1,I<,0.1,60,30,\n"  // 6
                                     "1,1,1,,0.1,,,\n"        // 7
                                     "1,1,1,I<,0.1,,,later\n" // 8
                                     "1,1,1,I<,0.1,,,next\n"),
              (std::vector<std::string>{
                  kNotACondition,
                  "line 3: the condition has no level",
                  "line 4: level 6 is outside 0 to 5.1 A",
                  "line 5: shortest s 2.5 is not a whole number of seconds from 0 to 31622400",
                  "line 6: longest s 30 is below the shortest time",
                  "line 7: level 0.1 is given, but no end condition",
                  "line 8: then \"later\" is neither next nor stop",
              }));
    const StepFile file = parse_step_csv(header + "1,1,1,Q<,1,,,\n");
    EXPECT_EQ(describe(file.problems.at(0), false),
              "第 2 行：结束条件“Q<”不是结束条件；请用 I<、I>、V<、V>、P<、P>、mAh> 或 mWh>");
    // One problem a line: a bad step value is told before its condition.
    EXPECT_EQ(file_problems(header + "40,1,1,Q<,,,,\n"),
              std::vector<std::string>{"line 2: voltage 40 V is above 31 V"});
}

TEST(StepRamp, GoesFromFirstToLastInEvenStepsOnTheCodeGrid) {
    EXPECT_EQ(make_ramp({Quantity::Voltage, 0, 1, 4, 2, 0.5}).steps,
              (std::vector<Step>{
                  {0, 500, 2, {}}, {33, 500, 2, {}}, {67, 500, 2, {}}, {100, 500, 2, {}}}));
    EXPECT_EQ(make_ramp({Quantity::Current, 1, 0, 3, 1, 12}).steps,
              (std::vector<Step>{{1200, 1000, 1, {}}, {1200, 500, 1, {}}, {1200, 0, 1, {}}}));
}

TEST(StepRamp, RefusesWhatRunWouldRefuse) {
    const RampSteps ramp = make_ramp({Quantity::Voltage, 0, 31.5, 1, 0, 6});
    EXPECT_TRUE(ramp.steps.empty());
    EXPECT_EQ(described(ramp.problems),
              (std::vector<std::string>{"to: voltage 31.5 V is above 31 V",
                                        "held value: current 6 A is above 5.1 A",
                                        "seconds per step: seconds 0 s is below 1 s",
                                        "number of steps: 1 is not from 2 to 32767"}));
    EXPECT_EQ(described(make_ramp({Quantity::Current, 0.0001, 1, 2, 1, 1}).problems, false),
              std::vector<std::string>{"起始值：电流 0.0001 A 比 1 mA 更细"});
}

} // namespace
} // namespace kelvo
