// Set-points tick by tick: the delayed commit of typed entries and its refusals, the presets
// and sliders, the output switch and the over-current trip, as the supply sees them.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "scenario/fixture.h"

#include <cstdint>

namespace kelvo::testing {
namespace {

constexpr const char* kVoltagePrompt = "Please enter 4 positive number less than 31";
constexpr const char* kCurrentPrompt = "Please enter 4 positive number less than 5.1";

// The commit runs on the tick on which the box has been left alone for more than 30.
constexpr int kCommitTicks = 31;

using Setpoint = SupplyTest;

TEST_F(Setpoint, TypedVoltageGoesOutThirtyOneTicksAfterTheLastKeystroke) {
    ui.Text1.type("1");
    tick(5);
    ui.Text1.type("12"); // the second keystroke restarts the wait
    tick(kCommitTicks - 1);
    EXPECT_EQ(form.command_frame.substr(6, 4), "0000");
    tick();
    EXPECT_EQ(ui.Text1.text(), "12V");
    EXPECT_EQ(form.command_frame.substr(6, 4), "1200"); // already in this tick's frame
    ui.Text2.type("2.5");
    tick(kCommitTicks);
    EXPECT_EQ(form.command_frame.substr(11, 4), "2500");
    EXPECT_TRUE(ui.message_box.shown.empty());
}

TEST_F(Setpoint, ConversionRoundsHalfToEven) {
    const std::pair<const char*, int> cases[] = {{"30.99V", 3099}, {"12.345V", 1234}, {"0.015V", 2},
                                                 {"0.005V", 0},    {"V", 0},          {".5V", 50}};
    for (const auto& [text, code] : cases) {
        form.SZDYZH(text);
        EXPECT_EQ(form.set_voltage_code, code) << text;
    }
    form.SZDLZH(".0015A");
    EXPECT_EQ(form.set_current_code, 2);
    EXPECT_TRUE(ui.message_box.shown.empty());
    form.SZDYZH("-1V");
    ASSERT_EQ(ui.message_box.shown.size(), 1u);
    EXPECT_EQ(last_prompt(), kVoltagePrompt);
    EXPECT_EQ(form.set_voltage_code, 50);
}

TEST_F(Setpoint, RefusedEntriesAreReportedAndUndone) {
    ui.Text1.type("12V");
    ui.Text2.type("2A");
    tick(kCommitTicks);
    const std::pair<const char*, const char*> cases[] = {{"31.01V", kVoltagePrompt},
                                                         {"012.34V", kVoltagePrompt},
                                                         {"12V3", kVoltagePrompt},
                                                         {"1.2.3V", kVoltagePrompt},
                                                         {"5.101A", kCurrentPrompt}};
    for (const auto& [text, prompt] : cases) {
        SCOPED_TRACE(text);
        const std::size_t before = ui.message_box.shown.size();
        const bool volts = std::string(text).find('V') != std::string::npos;
        (volts ? ui.Text1 : ui.Text2).type(text);
        tick(kCommitTicks);
        ASSERT_EQ(ui.message_box.shown.size(), before + 1);
        EXPECT_EQ(last_prompt(), prompt);
        EXPECT_EQ(ui.Text1.text(), "12V");
        EXPECT_EQ(ui.Text2.text(), "2A");
        EXPECT_EQ(form.command_frame.substr(6, 4), "1200");
        EXPECT_EQ(form.command_frame.substr(11, 4), "2000");
    }
}

TEST_F(Setpoint, PresetsSlidersAndTheTripList) {
    ui.Combo1.choose(12);
    EXPECT_EQ(form.set_voltage_code, 1200);
    ui.Combo1.add_item("12,5V"); // a malformed item falls back silently
    ui.Combo1.choose(32);
    EXPECT_EQ(ui.Text1.text(), "00.00V");
    EXPECT_EQ(form.set_voltage_code, 1200);
    ui.Slider1.move_to(1);
    EXPECT_EQ(ui.Text1.text(), "0.01V");
    ui.Slider2.move_to(5);
    EXPECT_EQ(ui.Text2.text(), "0.005A");

    tick();
    EXPECT_EQ(form.command_frame, "QZPPSU0001H0000N");
    ui.Combo4.choose(1);
    EXPECT_TRUE(form.trip_on_over_current);
    tick();
    EXPECT_EQ(form.command_frame[10], 'C');
    EXPECT_TRUE(ui.message_box.shown.empty());
}

TEST_F(Setpoint, OnIsIgnoredWhileNoSupplyAnswers) {
    ui.MSComm1.ports[2] = platform::OpenResult::Opened; // a port opens, but stays silent
    second(2);
    ui.Command1.click();
    EXPECT_FALSE(form.output_on);
    tick();
    EXPECT_EQ(output_letter(), 'N');
}

TEST_F(Setpoint, OnAndOffWithAnAnsweringSupplyLeaveOneRecord) {
    attach_supply();
    ui.Command1.click();
    EXPECT_EQ(ui.Command1.caption(), "OFF");
    tick();
    EXPECT_EQ(output_letter(), 'O');
    second(2);
    ui.Command1.click();
    EXPECT_EQ(ui.Command1.caption(), "ON");
    tick();
    EXPECT_EQ(output_letter(), 'N');
    EXPECT_EQ(record_count(), 1u);
}

TEST_F(Setpoint, OverCurrentTripsOnlyInTripModeWithTheFirstFrameAfterTheReport) {
    attach_supply();
    ui.Command1.click();
    answer("1200", "1500", 'B');
    second(2); // steady output only takes note
    EXPECT_TRUE(form.over_current);
    EXPECT_EQ(output_letter(), 'O');
    answer("1200", "1500");
    second();
    ui.Combo4.choose(1);
    tick(); // in trip mode without over-current the output stays on
    EXPECT_EQ(output_letter(), 'O');
    answer("1200", "1500", 'B');
    tick(9); // the frame of this tick was built before the reply was read
    EXPECT_EQ(output_letter(), 'O');
    tick();
    EXPECT_EQ(output_letter(), 'N');
    EXPECT_FALSE(form.output_on);
    EXPECT_EQ(record_count(), 1u);
}

} // namespace
} // namespace kelvo::testing
