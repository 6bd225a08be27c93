// Set-points tick by tick: the delayed commit of typed entries, the front-panel controls,
// the output switch and the over-current trip, as the supply sees them in the frame.
#include "scenario/supply_fixture.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace kelvo::testing {
namespace {

constexpr const char* kVoltagePrompt = "Please enter 4 positive number less than 31";
constexpr const char* kVoltageTitle = "Setting Voltage data error";
constexpr const char* kCurrentPrompt = "Please enter 4 positive number less than 5.1";
constexpr const char* kCurrentTitle = "Setting Current data error";

// The commit runs on the tick on which the box has been left alone for more than 30.
constexpr int kCommitTicks = 31;

class DelayedCommitTest : public SupplyTest {
protected:
    std::string frame_volts() const { return form.command_frame.substr(6, 4); }
    std::string frame_amps() const { return form.command_frame.substr(11, 4); }
    std::size_t messages() const { return ui.message_box.shown.size(); }
    // Types into a box and waits until its commit has run.
    void commit_voltage(const std::string& text) {
        ui.Text1.type(text);
        tick(kCommitTicks);
    }
    void commit_current(const std::string& text) {
        ui.Text2.type(text);
        tick(kCommitTicks);
    }
};

TEST_F(DelayedCommitTest, TypedVoltageGoesOutThirtyOneTicksAfterTheLastKeystroke) {
    ui.Text1.type("1");
    tick(5);
    ui.Text1.type("12"); // the second keystroke restarts the wait
    tick(kCommitTicks - 1);
    EXPECT_EQ(ui.Text1.text(), "12");
    EXPECT_EQ(form.set_voltage_code, 0);
    EXPECT_EQ(frame_volts(), "0000");
    tick();
    EXPECT_EQ(ui.Text1.text(), "12V");
    EXPECT_EQ(form.voltage_text, "12V");
    EXPECT_EQ(form.set_voltage_code, 1200);
    EXPECT_EQ(frame_volts(), "1200"); // already in this tick's frame
    EXPECT_EQ(messages(), 0u);
}

TEST_F(DelayedCommitTest, AcceptedVoltagesAndTheirCodes) {
    struct Case {
        const char* typed;
        const char* shown;
        std::int16_t code;
    };
    const Case cases[] = {{"31V", "31V", 3100},       {"30.99V", "30.99V", 3099},
                          {"31.00V", "31.00V", 3100}, {"", "V", 0},
                          {"0.015V", "0.015V", 2},    {"0.005V", "0.005V", 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        commit_voltage(c.typed);
        EXPECT_EQ(ui.Text1.text(), c.shown);
        EXPECT_EQ(form.voltage_text, c.shown);
        EXPECT_EQ(form.set_voltage_code, c.code);
    }
    EXPECT_EQ(messages(), 0u);
}

TEST_F(DelayedCommitTest, RejectedVoltageIsReportedAndUndone) {
    commit_voltage("12V");
    // Out of range, seven characters, then malformed ones; lower case gets a second unit.
    const char* const rejected[] = {"31.01V", "012.34V", "12V3", "1.2.3V",
                                    "12,5V",  "-1V",     "1VV",  "12v"};
    for (const char* text : rejected) {
        SCOPED_TRACE(text);
        const std::size_t before = messages();
        ui.Text1.type(text);
        tick(kCommitTicks - 1);
        EXPECT_EQ(messages(), before);
        tick();
        ASSERT_EQ(messages(), before + 1);
        EXPECT_EQ(ui.message_box.shown.back().prompt, kVoltagePrompt);
        EXPECT_EQ(ui.message_box.shown.back().title, kVoltageTitle);
        EXPECT_EQ(ui.Text1.text(), "12V");
        EXPECT_EQ(form.voltage_text, "12V");
        EXPECT_EQ(form.set_voltage_code, 1200);
        EXPECT_EQ(frame_volts(), "1200");
    }
    const auto& history = ui.Text1.history;
    EXPECT_NE(std::find(history.begin(), history.end(), "12vV"), history.end());

    // The restored text is committed again in its turn, quietly.
    const std::size_t before = messages();
    tick(2 * kCommitTicks);
    EXPECT_EQ(messages(), before);
    EXPECT_EQ(ui.Text1.text(), "12V");
    EXPECT_EQ(form.set_voltage_code, 1200);
}

TEST_F(DelayedCommitTest, TypedCurrentsAreCheckedAgainstTheirOwnLimit) {
    commit_current("5.1A");
    EXPECT_EQ(form.set_current_code, 5100);
    EXPECT_EQ(frame_amps(), "5100");
    commit_current(".0015A");
    EXPECT_EQ(form.set_current_code, 2);
    EXPECT_EQ(messages(), 0u);

    for (const char* text : {"5.101A", "0.0005A"}) { // by range, by length
        SCOPED_TRACE(text);
        const std::size_t before = messages();
        commit_current(text);
        ASSERT_EQ(messages(), before + 1);
        EXPECT_EQ(ui.message_box.shown.back().prompt, kCurrentPrompt);
        EXPECT_EQ(ui.message_box.shown.back().title, kCurrentTitle);
        EXPECT_EQ(ui.Text2.text(), ".0015A");
        EXPECT_EQ(form.set_current_code, 2);
    }
}

TEST_F(DelayedCommitTest, EachBoxWaitsOnItsOwnCounter) {
    ui.Text1.type("7");
    tick(20);
    ui.Text2.type("2");
    tick(10);
    ui.Text2.type("2.5"); // editing the current box does not hold the voltage back...
    tick();
    EXPECT_EQ(ui.Text1.text(), "7V");
    EXPECT_EQ(form.set_voltage_code, 700);
    // ...and the voltage commit does not take the current along.
    EXPECT_EQ(ui.Text2.text(), "2.5");
    EXPECT_EQ(form.set_current_code, 0);
    tick(kCommitTicks - 2);
    EXPECT_EQ(form.set_current_code, 0);
    tick();
    EXPECT_EQ(ui.Text2.text(), "2.5A");
    EXPECT_EQ(form.set_current_code, 2500);
}

using FrontPanelTest = DelayedCommitTest;

TEST_F(FrontPanelTest, VoltageFromPresetOrSliderGoesOutWithTheNextFrame) {
    ui.Combo1.choose(31);
    EXPECT_EQ(form.set_voltage_code, 3100);
    tick();
    EXPECT_EQ(frame_volts(), "3100");

    ui.Slider1.move_to(1);
    EXPECT_EQ(ui.Text1.text(), "0.01V");
    EXPECT_EQ(form.set_voltage_code, 1);
    tick();
    EXPECT_EQ(frame_volts(), "0001");

    ui.Slider1.move_to(1234);
    EXPECT_EQ(ui.Text1.text(), "12.34V");
    EXPECT_EQ(form.set_voltage_code, 1234);

    // The delayed commit that follows every change of the box leaves it as it is.
    tick(kCommitTicks);
    EXPECT_EQ(ui.Text1.text(), "12.34V");
    EXPECT_EQ(form.set_voltage_code, 1234);
    EXPECT_EQ(messages(), 0u);
}

TEST_F(FrontPanelTest, CurrentFromPresetOrSliderWaitsForTheDelay) {
    ui.Slider2.move_to(5);
    EXPECT_EQ(ui.Text2.text(), "0.005A");
    EXPECT_EQ(form.set_current_code, 0);
    tick(20);
    ui.Combo2.choose(51); // a new choice within the wait starts it again
    EXPECT_EQ(ui.Text2.text(), "5.1A");
    tick(kCommitTicks - 1);
    EXPECT_EQ(form.set_current_code, 0);
    EXPECT_EQ(frame_amps(), "0000");
    tick();
    EXPECT_EQ(form.set_current_code, 5100);
    EXPECT_EQ(frame_amps(), "5100");
    EXPECT_EQ(ui.Slider2.value(), 5); // a preset never moves the slider
}

TEST_F(FrontPanelTest, TripModeLetterFollowsTheListFromTheNextFrame) {
    tick();
    EXPECT_EQ(form.command_frame[10], 'H');
    ui.Combo4.choose(1);
    EXPECT_EQ(form.command_frame[10], 'H');
    tick();
    EXPECT_EQ(form.command_frame, "QZPPSU0000C0000N");
    ui.Combo4.choose(0);
    tick();
    EXPECT_EQ(form.command_frame[10], 'H');
}

using OutputSwitchTest = SupplyTest;

TEST_F(OutputSwitchTest, OnIsIgnoredWhileNoSupplyAnswers) {
    ui.MSComm1.ports[2] = platform::OpenResult::Opened; // a port opens, but stays silent
    second(2);
    ASSERT_FALSE(form.device_connected);
    const std::string log = ui.Text3.text();
    const std::int16_t chart_index = form.chart_sample_index;
    ui.Command1.click();
    EXPECT_FALSE(form.output_on);
    EXPECT_EQ(ui.Command1.caption(), "ON");
    EXPECT_EQ(ui.Command1.back_color, std::nullopt);
    EXPECT_EQ(ui.Text3.text(), log);
    EXPECT_EQ(form.chart_sample_index, chart_index);
    tick();
    EXPECT_EQ(output_letter(), 'N');
    EXPECT_TRUE(ui.files.files.empty());
    EXPECT_TRUE(ui.message_box.shown.empty());
}

TEST_F(OutputSwitchTest, OnAndOffWithAnAnsweringSupplyLeaveOneRecord) {
    attach_supply();
    ui.Command1.click();
    EXPECT_TRUE(form.output_on);
    EXPECT_EQ(ui.Command1.back_color, platform::kGreen);
    EXPECT_EQ(ui.Command1.caption(), "OFF");
    EXPECT_EQ(form.chart_sample_index, 0);
    EXPECT_EQ(ui.Text3.text(), "KELVO\r\nVersion: 1.0\r\n2024-3-5   14:07:09");
    tick();
    EXPECT_EQ(output_letter(), 'O');
    second(2);
    EXPECT_EQ(ui.Command1.caption(), "OFF"); // the caption refresh keeps it

    ui.Command1.click();
    EXPECT_FALSE(form.output_on);
    EXPECT_EQ(ui.Command1.caption(), "ON");
    EXPECT_EQ(ui.Command1.back_color, std::nullopt);
    tick();
    EXPECT_EQ(output_letter(), 'N');
    second(3);
    EXPECT_EQ(ui.files.files.size(), 1u);
    EXPECT_TRUE(ui.message_box.shown.empty());
}

TEST_F(OutputSwitchTest, ClearButtonErasesTheMonitorOnly) {
    attach_supply();
    ASSERT_FALSE(ui.Picture2.printed.empty());
    const int chart_clears = ui.Picture1_0.cls_count;
    ui.Command5.click();
    EXPECT_TRUE(ui.Picture2.printed.empty());
    EXPECT_EQ(ui.Picture2.calls.back(), "cls");
    EXPECT_EQ(ui.Picture1_0.cls_count, chart_clears);
    second();
    EXPECT_FALSE(ui.Picture2.printed.empty()); // the monitor goes on writing
}

using OverCurrentTest = SupplyTest;

TEST_F(OverCurrentTest, TripOutSwitchesOffWithTheFirstFrameAfterTheReport) {
    attach_supply();
    ui.Combo4.choose(1);
    ui.Command1.click();
    answer("1200", "1500", 'B');
    second(); // the frame of this tick was built before the reply was read
    EXPECT_TRUE(form.over_current);
    EXPECT_TRUE(form.output_on);
    EXPECT_EQ(output_letter(), 'O');
    EXPECT_TRUE(ui.files.files.empty());

    tick();
    EXPECT_EQ(output_letter(), 'N');
    EXPECT_FALSE(form.output_on);
    EXPECT_EQ(ui.files.files.size(), 1u);
    EXPECT_EQ(ui.Command1.caption(), "ON");
    EXPECT_EQ(ui.Command1.back_color, std::nullopt);

    // The report stands until a new valid reply: switching on again trips at once.
    ui.Command1.click();
    ASSERT_TRUE(form.output_on);
    tick();
    EXPECT_EQ(output_letter(), 'N');
    EXPECT_FALSE(form.output_on);
    EXPECT_EQ(ui.files.files.size(), 2u);
}

TEST_F(OverCurrentTest, SteadyOutputOnlyTakesNoteOfTheReport) {
    attach_supply();
    ui.Command1.click();
    answer("1200", "1500", 'B');
    second(2);
    EXPECT_TRUE(form.over_current);
    EXPECT_TRUE(form.output_on);
    EXPECT_EQ(output_letter(), 'O');
    EXPECT_EQ(ui.Command1.caption(), "OFF");
    EXPECT_TRUE(ui.files.files.empty());
}

} // namespace
} // namespace kelvo::testing
