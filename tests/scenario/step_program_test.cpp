// Step programs tick by tick: RUN and its table check, the steps and passes on the wire,
// STOP, the run count, and the record file every run leaves.
#include "scenario/run_fixture.h"

#include <array>
#include <optional>
#include <string>
#include <utility>

namespace kelvo::testing {
namespace {

constexpr const char* kFile = "/prog/Record/2024351479.TXT";

// Frames of the two-step table below and of the front panel left at 0 V / 0 A.
const std::string kFive = RunFixture::frame(500, 1000, 'O');
const std::string kTen = RunFixture::frame(1000, 2000, 'O');
const std::string kOff = RunFixture::frame(0, 0, 'N');
const std::string kFiveOff = RunFixture::frame(500, 1000, 'N');

class StepProgram : public RunFixture {
protected:
    void SetUp() override {
        ui.Adodc1.rows = {{1.0, 5.0, 1.0, 3.0}, {2.0, 10.0, 2.0, 2.0}};
        attach_supply();
    }

    void expect_idle_controls() {
        EXPECT_FALSE(form.program_running);
        EXPECT_FALSE(form.output_on);
        for (const fake::FakeButton* b : {&ui.Command1, &ui.Command4}) {
            EXPECT_TRUE(b->enabled());
            EXPECT_EQ(b->back_color, std::nullopt);
        }
        EXPECT_EQ(ui.Command1.caption(), "ON");
        EXPECT_EQ(ui.Command4.caption(), "RUN");
        EXPECT_TRUE(ui.Slider1.enabled() && ui.Slider2.enabled());
        EXPECT_TRUE(ui.Combo1.enabled() && ui.Combo2.enabled());
        EXPECT_TRUE(ui.Text1.enabled() && ui.Text2.enabled());
        EXPECT_EQ(ui.DataGrid1.locked, (std::array<bool, 3>{false, false, false}));
    }

    // A RUN refused by the table check leaves the window as it was.
    void expect_nothing_started(const std::string& log_before) {
        expect_idle_controls();
        EXPECT_EQ(ui.Text3.text(), log_before);
        second();
        EXPECT_EQ(frames.back(), kOff);
        EXPECT_EQ(record_files(), 0u);
    }

    const fake::FakeMessageBox::Shown& only_message() {
        EXPECT_EQ(ui.message_box.shown.size(), 1u);
        return ui.message_box.shown.at(0);
    }
};

// ---- the documented passes --------------------------------------------------------------

TEST_F(StepProgram, OnePassSendsEachStepForItsSecondsThenSwitchesOff) {
    ui.Combo5.choose(1);
    run();
    second(6);
    // RUN came right after a display second: the first step gets 3 whole seconds. On the
    // wrap-around second the first step's codes go out once more, already with "N": the
    // switch-off puts it into the frame at once.
    const FrameRuns expected{{kFive, 30}, {kTen, 19}, {kFiveOff, 1}, {kOff, 10}};
    EXPECT_EQ(frame_runs(), expected);
    EXPECT_TRUE(form.run_finished);
    EXPECT_EQ(form.runs_left, 0);
    EXPECT_EQ(form.step_index, 0);
    EXPECT_EQ(record_files(), 1u);
    expect_idle_controls();
}

TEST_F(StepProgram, SecondPassRestartsWithTheFirstStepsOwnDuration) {
    ui.Combo5.choose(2);
    run();
    second(11);
    const FrameRuns expected{{kFive, 30}, {kTen, 19},    {kFive, 31},
                             {kTen, 19},  {kFiveOff, 1}, {kOff, 10}};
    EXPECT_EQ(frame_runs(), expected);
    EXPECT_EQ(record_files(), 1u);
}

TEST_F(StepProgram, SingleStepIsRepeatedOncePerCountedPass) {
    ui.Adodc1.rows = {{1.0, 5.0, 1.0, 3.0}};
    ui.Combo5.choose(3);
    run();
    second(3);
    EXPECT_EQ(form.runs_left, 2);
    second(3);
    EXPECT_EQ(form.runs_left, 1);
    EXPECT_TRUE(form.program_running);
    second(4);
    const FrameRuns expected{{kFive, 89}, {kFiveOff, 1}, {kOff, 10}};
    EXPECT_EQ(frame_runs(), expected);
    EXPECT_TRUE(form.run_finished);
    EXPECT_EQ(record_files(), 1u);
}

TEST_F(StepProgram, DurationsCountInWholeDisplaySeconds) {
    // A one-second step first, so every measured step starts on a display second; one
    // after them, because the last step of a pass gives its final tick to the first.
    ui.Adodc1.rows = {{1.0, 0.5, 0.1, 1.0},          {2.0, 1.0, 0.1, 0.0},
                      {3.0, 2.0, 0.1, 1.0},          {4.0, 3.0, 0.1, 2.5},
                      {5.0, 4.0, 0.1, 3.5},          {6.0, 5.0, 0.1, -3.0},
                      {7.0, 6.0, 0.1, "12"},         {8.0, 7.0, 0.1, "3 secs"},
                      {9.0, 8.0, 0.1, FieldValue{}}, {10.0, 9.0, 0.1, 1.0}};
    run();
    second(25);
    const FrameRuns expected{
        {frame(50, 100, 'O'), 10},   {frame(100, 100, 'O'), 10}, {frame(200, 100, 'O'), 10},
        {frame(300, 100, 'O'), 20},  {frame(400, 100, 'O'), 40}, {frame(500, 100, 'O'), 10},
        {frame(600, 100, 'O'), 120}, {frame(700, 100, 'O'), 10}, {frame(800, 100, 'O'), 10},
        {frame(900, 100, 'O'), 9},   {frame(50, 100, 'O'), 1}};
    EXPECT_EQ(frame_runs(), expected);
    EXPECT_TRUE(ui.message_box.shown.empty());
}

// ---- endless runs, STOP, counts changed on the way ---------------------------------------

TEST_F(StepProgram, EndlessRunRepeatsUntilStopAndStopRestoresTheIdleWindow) {
    ui.Combo5.choose(1);
    ui.Combo5.choose(0); // "x" keeps the count of 1, which must not end the run
    run();
    second(20);
    tick(3);
    EXPECT_TRUE(form.program_running);
    EXPECT_EQ(form.step_index, 0);
    EXPECT_EQ(form.step_seconds_left, 3);
    EXPECT_EQ(record_files(), 0u);
    form.device_connected = false; // STOP needs no answering supply
    ui.Command4.click();
    expect_idle_controls();
    EXPECT_EQ(form.step_index, 0);
    EXPECT_EQ(form.step_seconds_left, 0);
    ASSERT_EQ(record_files(), 1u);
    ASSERT_EQ(ui.files.files.count(kFile), 1u);
    EXPECT_EQ(ui.files.files[kFile], ui.Text3.text() + "\r\n");
    tick();
    EXPECT_EQ(frames.back(), kOff);
    second(10);
    EXPECT_EQ(record_files(), 1u);
}

TEST_F(StepProgram, CountChosenDuringARunSetsThePassesStillToGo) {
    ui.Combo5.choose(1);
    run();
    second(2);
    EXPECT_TRUE(ui.Combo5.enabled());
    ui.Combo5.choose(2); // this pass and one more
    second(3);
    EXPECT_TRUE(form.program_running);
    EXPECT_EQ(form.runs_left, 1);
    second(4);
    ui.Combo5.choose(0); // "x": the end of this pass no longer ends the run
    second(6);
    EXPECT_TRUE(form.program_running);
    ui.Combo5.choose(1); // the pass under way is the last
    second(4);
    EXPECT_TRUE(form.program_running);
    second();
    EXPECT_FALSE(form.program_running);
    EXPECT_TRUE(form.run_finished);
    EXPECT_EQ(frames.size(), 200u);
    EXPECT_EQ(frames.back(), kFiveOff);
    tick();
    EXPECT_EQ(frames.back(), kOff);
    EXPECT_EQ(record_files(), 1u);
}

TEST_F(StepProgram, RunAfterAFinishedRunStartsAndEndsAgain) {
    ui.Combo5.choose(1);
    run();
    second(6);
    ASSERT_TRUE(form.run_finished);
    run();
    EXPECT_TRUE(form.program_running);
    EXPECT_FALSE(form.run_finished);
    EXPECT_EQ(form.runs_left, 1);
    second(5);
    EXPECT_FALSE(form.program_running);
    EXPECT_EQ(record_files(), 2u);
}

TEST_F(StepProgram, OverCurrentTripEndsTheRunAndSavesItLikeStop) {
    ui.Combo4.choose(1);
    run();
    second(2);
    ui.MSComm1.queue_read("QZPPSU0500A1000B");
    second(); // the reply is read; the trip comes with the next frame
    EXPECT_TRUE(form.program_running);
    tick();
    EXPECT_EQ(frames.back(), "QZPPSU1000C2000N");
    expect_idle_controls();
    EXPECT_FALSE(form.run_finished);
    second(5);
    EXPECT_EQ(record_files(), 1u);
}

// ---- the window while a program runs ---------------------------------------------------

TEST_F(StepProgram, RunningLocksTheFrontPanelAndSendsTheStepCodesInstead) {
    ui.Combo1.choose(12);
    ui.Combo2.choose(20);
    second(4); // the typed current is committed after its pause
    ASSERT_EQ(frames.back(), frame(1200, 2000, 'N'));
    run();
    EXPECT_FALSE(ui.Command1.enabled());
    EXPECT_EQ(ui.Command1.caption(), "OFF");
    EXPECT_EQ(ui.Command1.back_color, std::nullopt);
    EXPECT_TRUE(ui.Command4.enabled());
    EXPECT_EQ(ui.Command4.caption(), "STOP");
    EXPECT_EQ(ui.Command4.back_color, platform::kGreen);
    EXPECT_FALSE(ui.Slider1.enabled() || ui.Slider2.enabled());
    EXPECT_FALSE(ui.Combo1.enabled() || ui.Combo2.enabled());
    EXPECT_FALSE(ui.Text1.enabled() || ui.Text2.enabled());
    EXPECT_TRUE(ui.Combo4.enabled() && ui.Combo5.enabled());
    EXPECT_EQ(ui.DataGrid1.locked, (std::array<bool, 3>{true, true, true}));
    second(2);
    EXPECT_EQ(ui.Command1.caption(), "OFF"); // the caption refresh agrees
    EXPECT_EQ(ui.Command4.caption(), "STOP");
    const FrameRuns expected{{kFive, 20}};
    EXPECT_EQ(frame_runs(), expected);
    ui.Command4.click();
    tick();
    EXPECT_EQ(frames.back(), frame(1200, 2000, 'N'));
}

TEST_F(StepProgram, RunDuringManualOutputSavesTheManualPeriodFirst) {
    ui.clock.moment = {2024, 3, 5, 14, 58, 0};
    ui.Command1.click();
    ASSERT_TRUE(form.output_on);
    second(2);
    ui.clock.moment = {2024, 3, 5, 15, 0, 0};
    ui.Combo5.choose(1);
    run();
    EXPECT_EQ(ui.Command1.back_color, std::nullopt);
    ASSERT_EQ(record_files(), 1u); // the manual period, at once
    const std::string manual = ui.files.files["/prog/Record/2024351500.TXT"];
    EXPECT_EQ(manual.rfind("KELVO\r\nVersion: 1.0\r\n2024-3-5   14:58:00\r\n", 0), 0u) << manual;
    EXPECT_NE(manual.find("\r\nSave Path:/prog/Record/2024351500.TXT\r\n"), std::string::npos);
    EXPECT_TRUE(form.output_on); // the output stays on into the program
    EXPECT_EQ(form.command_frame.back(), 'O');
    second(5);
    ASSERT_FALSE(form.program_running);
    ASSERT_EQ(record_files(), 2u);
    const std::string reading = "\r\n15:00:00          05.00V          1.000A";
    std::string expected = "KELVO\r\nVersion: 1.0\r\n2024-3-5   15:00:00";
    for (int i = 0; i < 5; ++i) {
        expected += reading;
    }
    expected += "\r\nSave Path:/prog/Record/2024351500-2.TXT\r\n";
    EXPECT_EQ(ui.files.files["/prog/Record/2024351500-2.TXT"], expected);
}

// ---- the table check at RUN --------------------------------------------------------------

using NoAnsweringSupply = RunFixture;

TEST_F(NoAnsweringSupply, RunIsIgnored) {
    ui.Adodc1.rows = {{1.0, 5.0, 1.0, 3.0}};
    const std::string log = ui.Text3.text();
    ui.Command4.click();
    ui.MSComm1.ports[2] = platform::OpenResult::Opened;
    answering = false;
    second();
    ASSERT_TRUE(form.port_ready);
    ui.Command4.click();
    EXPECT_FALSE(form.program_running);
    EXPECT_FALSE(form.output_on);
    EXPECT_EQ(ui.Adodc1.move_first_calls, 0);
    EXPECT_TRUE(ui.message_box.shown.empty());
    EXPECT_EQ(ui.Text3.text(), log);
    EXPECT_EQ(ui.Command4.caption(), "RUN");
    tick();
    EXPECT_EQ(frames.back(), frame(0, 0, 'N'));
}

TEST_F(StepProgram, ExactlyThirtyOneVoltsAndFivePointOneAmpsAreAccepted) {
    ui.Adodc1.rows = {{1.0, 31.0, 5.1, 2.0}, {2.0, 0.0, 0.0, 1.0}};
    run();
    second(6);
    EXPECT_EQ(frames.front(), frame(3100, 5100, 'O'));
    EXPECT_EQ(frame_runs().front(), std::make_pair(frame(3100, 5100, 'O'), 20));
    EXPECT_TRUE(ui.message_box.shown.empty());
}

TEST_F(StepProgram, VoltageAboveRangeIsRefusedNamingItsRow) {
    ui.Adodc1.rows = {
        {1.0, 5.0, 1.0, 3.0}, {2.0, 10.0, 2.0, 2.0}, {3.0, 31.5, 1.0, 1.0}, {4.0, 1.0, 1.0, 1.0}};
    const std::string log = ui.Text3.text();
    run();
    const auto& box = only_message();
    EXPECT_EQ(box.prompt, "Item No.3 error\xEF\xBC\x9BPlease enter 4 positive number less than 31");
    EXPECT_EQ(box.title, "Setting Voltage data error");
    EXPECT_EQ(ui.Adodc1.current, 2); // the grid shows the offending row
    expect_nothing_started(log);
}

TEST_F(StepProgram, NegativeCurrentIsRefusedNamingItsRow) {
    ui.Adodc1.rows = {{1.0, 5.0, 1.0, 3.0}, {2.0, 10.0, -0.1, 2.0}};
    const std::string log = ui.Text3.text();
    run();
    const auto& box = only_message();
    EXPECT_EQ(box.prompt,
              "Item No.2 error\xEF\xBC\x9BPlease enter 4 positive number less than 5.1");
    EXPECT_EQ(box.title, "Setting Current data error");
    EXPECT_EQ(ui.Adodc1.current, 1);
    expect_nothing_started(log);
}

TEST_F(StepProgram, TextThatIsNotANumberIsRefusedInTheVoltageAndCurrentColumns) {
    ui.Adodc1.rows = {{1.0, 5.0, 1.0, 3.0}, {2.0, "abc", 2.0, 2.0}};
    const std::string log = ui.Text3.text();
    run();
    ASSERT_EQ(ui.message_box.shown.size(), 1u);
    EXPECT_EQ(ui.message_box.shown[0].prompt,
              "Item No.2 error\xEF\xBC\x9BPlease enter 4 positive number less than 31");
    EXPECT_EQ(ui.message_box.shown[0].title, "Setting Voltage data error");

    ui.Adodc1.rows = {{1.0, 5.0, "1,5", 3.0}};
    run();
    ASSERT_EQ(ui.message_box.shown.size(), 2u);
    EXPECT_EQ(ui.message_box.shown[1].prompt,
              "Item No.1 error\xEF\xBC\x9BPlease enter 4 positive number less than 5.1");
    expect_nothing_started(log);

    // A number held as text is its number.
    ui.Adodc1.rows = {{1.0, " 12.5 ", "2", 3.0}};
    run();
    tick();
    EXPECT_EQ(frames.back(), frame(1250, 2000, 'O'));
}

TEST_F(StepProgram, NotANumberSpelledOutIsRefusedToo) {
    ui.Adodc1.rows = {{1.0, "nan", 1.0, 3.0}};
    run();
    ASSERT_EQ(ui.message_box.shown.size(), 1u);
    EXPECT_EQ(ui.message_box.shown[0].title, "Setting Voltage data error");
    EXPECT_FALSE(form.program_running);
}

TEST_F(StepProgram, EmptyTableStartsNothing) {
    ui.Adodc1.rows.clear();
    const std::string log = ui.Text3.text();
    run();
    const auto& box = only_message();
    EXPECT_EQ(box.prompt, "The step table is empty");
    expect_nothing_started(log);
}

// ---- safeguards and values out of the ordinary --------------------------------------------

TEST_F(StepProgram, ValueOutOfRangeAtExecutionIsReportedOncePerRunAndSentAsZero) {
    run();
    form.step_table[0][1] = 40.0;
    second(12);
    ASSERT_EQ(ui.message_box.shown.size(), 1u);
    EXPECT_EQ(ui.message_box.shown[0].prompt, "Please enter 4 positive number less than 31");
    EXPECT_EQ(ui.message_box.shown[0].title, "database error");
    EXPECT_EQ(frames.front(), frame(0, 1000, 'O'));
    EXPECT_EQ(frames.back(), frame(0, 1000, 'O')); // a later pass, still refused
    EXPECT_TRUE(form.program_running);

    ui.Command4.click();
    run();
    form.step_table[1][2] = 6.0;
    second(6);
    ASSERT_EQ(ui.message_box.shown.size(), 2u);
    EXPECT_EQ(ui.message_box.shown[1].prompt, "Please enter 4 positive number less than 5.1");
    EXPECT_EQ(ui.message_box.shown[1].title, "database error");
    EXPECT_EQ(frame_runs()[1], std::make_pair(frame(1000, 0, 'O'), 19));
}

TEST_F(StepProgram, HugeDurationIsHeldToSixteenBits) {
    ui.Adodc1.rows = {{1.0, 5.0, 1.0, 40000.0}};
    ui.Combo5.type_edit("32767");
    run();
    EXPECT_EQ(form.step_seconds, 32767);
    EXPECT_FALSE(form.run_forever);
    EXPECT_EQ(form.runs_left, 32767);
    second(3);
    EXPECT_EQ(form.step_seconds_left, 32764);
}

// "-5" would never reach 0 and run forever; "0" or "abc" would end at the first second.
TEST_F(StepProgram, RunCountsOtherThanOneTo32767OrXAreRefused) {
    ui.Adodc1.rows = {{1.0, 5.0, 1.0, 1.0}};
    ui.Command1.click(); // manual output: a refused RUN leaves it as it is
    const std::string log = ui.Text3.text();
    for (const char* count : {"-5", "0", "32768", "99999999999", "abc", "2.5", "", "1e3", "x2"}) {
        ui.message_box.shown.clear();
        ui.Combo5.type_edit(count);
        run();
        EXPECT_FALSE(form.program_running) << count;
        ASSERT_EQ(ui.message_box.shown.size(), 1u) << count;
        EXPECT_EQ(ui.message_box.shown[0].prompt,
                  "The run count must be a whole number from 1 to 32767, or x (run until "
                  "stopped).");
        second();
        EXPECT_TRUE(form.output_on) << count;
        EXPECT_EQ(frames.back().back(), 'O');
    }
    EXPECT_EQ(record_files(), 0u);
    EXPECT_EQ(ui.Text3.text().substr(0, log.size()), log);

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
    EXPECT_NE(ui.message_box.shown[0].prompt.find("32768"), std::string::npos);
    EXPECT_NE(ui.message_box.shown[0].prompt.find("32767"), std::string::npos);
    ui.Adodc1.rows.pop_back();
    ui.message_box.shown.clear();
    run();
    EXPECT_TRUE(form.program_running);
    EXPECT_TRUE(ui.message_box.shown.empty());
}

} // namespace
} // namespace kelvo::testing
