// Step programs tick by tick: RUN and its table check, the steps and passes on the wire,
// STOP, the run count, and the record file every run leaves.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "scenario/fixture.h"

#include <array>

namespace kelvo::testing {
namespace {

// Frames of the two-step table below and of the front panel left at 0 V / 0 A.
const std::string kFive = SupplyTest::frame(500, 1000, 'O');
const std::string kTen = SupplyTest::frame(1000, 2000, 'O');
const std::string kOff = SupplyTest::frame(0, 0, 'N');
const std::string kFiveOff = SupplyTest::frame(500, 1000, 'N');

class StepProgram : public SupplyTest {
protected:
    void SetUp() override {
        ui.Adodc1.rows = {{1.0, 5.0, 1.0, 3.0}, {2.0, 10.0, 2.0, 2.0}};
        answering = true;
        attach_supply();
    }
    std::size_t record_files() const { return record_count(); }
};

TEST_F(StepProgram, EachStepGoesOutForItsSecondsPassAfterPassThenOff) {
    ui.Combo5.choose(2);
    run();
    second(11);
    // RUN came right after a display second: the first step gets 3 whole seconds. On the
    // wrap-around second the first step's codes go out once more, already with "N".
    const FrameRuns expected{{kFive, 30}, {kTen, 19},    {kFive, 31},
                             {kTen, 19},  {kFiveOff, 1}, {kOff, 10}};
    EXPECT_EQ(frame_runs(), expected);
    EXPECT_TRUE(form.run_finished);
    EXPECT_EQ(record_files(), 1u);
    EXPECT_TRUE(ui.Command1.enabled() && ui.Slider1.enabled() && ui.Text1.enabled());
    EXPECT_EQ(ui.Command4.caption(), "RUN");
}

TEST_F(StepProgram, EndlessRunRepeatsUntilStopWhichSavesTheLog) {
    ui.Combo5.choose(1);
    ui.Combo5.choose(0); // "x" keeps the count of 1, which must not end the run
    run();
    second(20);
    EXPECT_TRUE(form.program_running);
    EXPECT_EQ(record_files(), 0u);
    ui.Command4.click();
    EXPECT_FALSE(form.program_running);
    ASSERT_EQ(record_files(), 1u);
    EXPECT_EQ(records().begin()->second, ui.Text3.text() + "\r\n");
    tick();
    EXPECT_EQ(frames.back(), kOff);
}

TEST_F(StepProgram, RunningLocksTheFrontPanelAndSendsTheStepCodesInstead) {
    ui.Combo1.choose(12);
    run();
    EXPECT_FALSE(ui.Command1.enabled());
    EXPECT_EQ(ui.Command4.caption(), "STOP");
    EXPECT_FALSE(ui.Slider1.enabled() || ui.Combo1.enabled() || ui.Text1.enabled());
    // Every column of the grid, the condition's too.
    const auto& locked = ui.DataGrid1.locked;
    EXPECT_EQ(std::count(locked.begin(), locked.end(), true), platform::kGridColumns);
    second(2);
    EXPECT_EQ(frame_runs(), (FrameRuns{{kFive, 20}}));
    ui.Command4.click();
    tick();
    EXPECT_EQ(frames.back(), frame(1200, 0, 'N'));
    EXPECT_EQ(std::count(locked.begin(), locked.end(), true), 0);
}

TEST_F(StepProgram, RunDuringManualOutputSavesTheManualPeriodFirst) {
    ui.Command1.click();
    second(2);
    ui.Combo5.choose(1);
    run();
    ASSERT_EQ(record_files(), 1u); // the manual period, at once
    EXPECT_EQ(output_letter(), 'O');
    second(5);
    EXPECT_FALSE(form.program_running);
    EXPECT_EQ(record_files(), 2u);
}

TEST_F(StepProgram, RunNeedsAnAnsweringSupply) {
    form.device_connected = false;
    run();
    EXPECT_FALSE(form.program_running);
    EXPECT_TRUE(ui.message_box.shown.empty());
}

TEST_F(StepProgram, TheTableCheckNamesTheRowAndStartsNothing) {
    using Rows = std::vector<std::vector<platform::FieldValue>>;
    struct Case {
        Rows rows;
        std::string prompt;
    };
    const std::string volts = "Please enter 4 positive number less than 31";
    const std::string amps = "Please enter 4 positive number less than 5.1";
    const Case cases[] = {
        {{{1.0, 5.0, 1.0, 3.0}, {2.0, 10.0, 2.0, 2.0}, {3.0, 31.5, 1.0, 1.0}},
         "Item No.3 error\xEF\xBC\x9B" + volts},
        {{{1.0, 5.0, 1.0, 3.0}, {2.0, 10.0, -0.1, 2.0}}, "Item No.2 error\xEF\xBC\x9B" + amps},
        {{{1.0, 5.0, 5.15, 3.0}}, "Item No.1 error\xEF\xBC\x9B" + amps},
        {{{1.0, -1.0, 1.0, 3.0}}, "Item No.1 error\xEF\xBC\x9B" + volts},
        {{{1.0, "abc", 1.0, 3.0}}, "Item No.1 error\xEF\xBC\x9B" + volts},
        {{}, "The step table is empty"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.prompt);
        ui.Adodc1.rows = c.rows;
        ui.message_box.shown.clear();
        run();
        EXPECT_FALSE(form.program_running);
        ASSERT_EQ(ui.message_box.shown.size(), 1u);
        EXPECT_EQ(last_prompt(), c.prompt);
    }
    // The limits themselves pass.
    ui.Adodc1.rows = {{1.0, 31.0, 5.1, 2.0}};
    ui.message_box.shown.clear();
    run();
    tick();
    EXPECT_EQ(frames.front(), frame(3100, 5100, 'O'));
    EXPECT_TRUE(ui.message_box.shown.empty());
}

TEST_F(StepProgram, ValueOutOfRangeAtExecutionIsReportedAndSentAsZero) {
    run();
    form.step_table[0][1] = -1.0;
    second(2);
    ASSERT_EQ(ui.message_box.shown.size(), 1u);
    EXPECT_EQ(ui.message_box.shown[0].title, "database error");
    EXPECT_EQ(frames.front(), frame(0, 1000, 'O'));
}

TEST_F(StepProgram, RunCountsOtherThanOneTo32767OrXAreRefused) {
    for (const char* count : {"0", "-5", "32768", "abc", "2.5"}) {
        ui.message_box.shown.clear();
        ui.Combo5.type_edit(count);
        run();
        EXPECT_FALSE(form.program_running) << count;
        ASSERT_EQ(ui.message_box.shown.size(), 1u) << count;
    }
    ui.Combo5.type_edit(" 3 ");
    run();
    EXPECT_TRUE(form.program_running);
    EXPECT_EQ(form.runs_left, 3);
}

TEST_F(StepProgram, TableLongerThanTheStepCounterIsRefused) {
    ui.Adodc1.rows.assign(32768, {1.0, 5.0, 1.0, 1.0});
    run();
    EXPECT_FALSE(form.program_running);
    ASSERT_EQ(ui.message_box.shown.size(), 1u);
    ui.Adodc1.rows.pop_back();
    run();
    EXPECT_TRUE(form.program_running);
}

} // namespace
} // namespace kelvo::testing
