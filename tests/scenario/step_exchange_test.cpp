// Steps from outside the grid (a file, the ramp) written into the step table, and the table
// read out for a file: through the record set, refused with one box while a program runs,
// when the table would outgrow the step counter or when the file says no.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "program/step_csv.h"
#include "scenario/fixture.h"

namespace kelvo::testing {
namespace {

using platform::FieldValue;

class StepExchange : public SupplyTest {
protected:
    void SetUp() override {
        ui.Adodc1.rows = {{1.0, 5.0, 1.0, 3.0}, {2.0, 10.0, 2.0, 2.0}};
        answering = true;
        attach_supply();
    }
    const std::vector<Step> ramp = make_ramp({Quantity::Voltage, 0, 31, 3, 2, 5.1}).steps;
};

TEST_F(StepExchange, WrittenStepsRunAndReadBackAsTheFileHoldsThem) {
    ASSERT_TRUE(form.apply_steps(ramp, false));
    EXPECT_EQ(ui.Adodc1.rows.size(), 5U);
    ASSERT_TRUE(form.apply_steps(ramp, true));
    const std::vector<TableRow> expected{
        {{0.0, 5.1, 2.0}, {}}, {{15.5, 5.1, 2.0}, {}}, {{31.0, 5.1, 2.0}, {}}};
    EXPECT_EQ(form.read_steps(), expected);
    EXPECT_EQ(ui.Adodc1.fields, 4);  // no condition: the table keeps its fields
    EXPECT_EQ(ui.Adodc1.current, 0); // the grid back at the top
    EXPECT_TRUE(ui.message_box.shown.empty());
    run();
    EXPECT_TRUE(form.program_running);
}

TEST_F(StepExchange, RefusedWritesLeaveTheTableAndSayWhyOnce) {
    const auto before = ui.Adodc1.rows;
    const auto refused = [&](const std::vector<Step>& steps, bool replace) {
        ui.message_box.shown.clear();
        EXPECT_FALSE(form.apply_steps(steps, replace));
        EXPECT_EQ(ui.Adodc1.rows, before);
        EXPECT_EQ(ui.message_box.shown.size(), 1U);
        return ui.message_box.shown.empty() ? std::string() : last_prompt();
    };
    ui.Adodc1.write_error = "the file is read-only";
    EXPECT_EQ(refused(ramp, true), "The step table was not changed: the file is read-only");
    ui.Adodc1.write_error.reset();

    // Appending up to the step counter's limit is fine; replacing with as many too.
    const std::vector<Step> full(32767 - before.size(), Step{100, 100, 1, {}});
    EXPECT_EQ(refused(std::vector<Step>(full.size() + 1, Step{100, 100, 1, {}}), false),
              "The step table was not changed: it would hold 32768 steps, 32767 at most");
    EXPECT_EQ(ui.Adodc1.writes, 1);

    run();
    EXPECT_EQ(refused(ramp, true),
              "The step table was not changed: a step program is running; stop it first");
    ui.Command4.click();
    ui.message_box.shown.clear();
    EXPECT_TRUE(form.apply_steps(full, false));
    EXPECT_EQ(ui.Adodc1.rows.size(), 32767U);
}

TEST_F(StepExchange, ConditionsGoIntoTheirFieldsAndReadBackByName) {
    const StepCondition drained{ConditionKind::CurrentBelow, 0.05, 10, 600, true};
    ASSERT_TRUE(form.apply_steps({Step{500, 1000, 5, drained}, Step{100, 100, 1, {}}}, false));
    // The fields were added after the table's own, and only the step with a condition
    // fills them.
    ASSERT_EQ(ui.Adodc1.fields, 9);
    EXPECT_EQ(ui.Adodc1.names.at(4), "EndWhen");
    EXPECT_EQ(ui.Adodc1.names.at(8), "Then");
    EXPECT_EQ(ui.Adodc1.rows.at(2),
              (std::vector<FieldValue>{3.0, 5.0, 1.0, 5.0, std::string("I<"), 0.05, 10.0, 600.0,
                                       std::string("stop")}));
    EXPECT_EQ(ui.Adodc1.rows.at(3).at(4), FieldValue{});
    const std::vector<TableRow> rows = form.read_steps();
    ASSERT_EQ(rows.size(), 4U);
    EXPECT_EQ(rows.at(2).condition, condition_cells(drained));
    EXPECT_EQ(rows.at(3).condition, ConditionCells{});

    // Found by name in any case and wherever they are, never among the described fields.
    ui.Adodc1.fields = 7;
    ui.Adodc1.names = {"Id", "EndWhen", "Amperes", "Seconds", "x", "THEN", "endwhen"};
    ui.Adodc1.rows = {
        {1.0, std::string("V>"), 1.0, 2.0, 9.0, std::string("next"), std::string("mAh>")}};
    EXPECT_EQ(form.read_steps(),
              (std::vector<TableRow>{{{std::string("V>"), 1.0, 2.0},
                                      {std::string("mAh>"), {}, {}, {}, std::string("next")}}}));
}

} // namespace
} // namespace kelvo::testing
