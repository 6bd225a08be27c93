// The period readout on the tool strip, and what a listening window hears, tick by tick.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "scenario/fixture.h"

namespace kelvo::testing {
namespace {

struct Listener : platform::Observer {
    void period_started(const DateTime&) override { events.emplace_back("start"); }
    void reading(const platform::Reading& r) override { readings.push_back(r); }
    void period_ended(const platform::Reading& r) override {
        events.emplace_back("end");
        last = r;
    }
    void frame_changed(const std::string& frame) override { frames.push_back(frame); }
    void program_changed(bool running) override { events.emplace_back(running ? "run" : "idle"); }
    std::vector<std::string> events;
    std::vector<platform::Reading> readings;
    std::vector<std::string> frames;
    platform::Reading last;
};

class PeriodReadoutTest : public SupplyTest {};

TEST_F(PeriodReadoutTest, CountsTheOnTimeFreezesAtOffAndRestartsAtTheNextOn) {
    Listener listener;
    form.watch(&listener);
    attach_supply("0500", "1000");
    answering = true; // 5.00 V, 1.000 A from now on
    ui.Command1.click();
    second(10);
    ui.Command1.click();
    // 5 V, 1 A for 10 s: 10 C (2.778 mAh) and 50 J (13.889 mWh).
    EXPECT_EQ(ui.PeriodReadout.caption(), "Period 0:00:10   Charge 2.778 mAh   Energy 13.889 mWh");
    EXPECT_EQ(listener.events, (std::vector<std::string>{"start", "end"}));
    EXPECT_EQ(listener.readings.size(), 10u);
    EXPECT_NEAR(listener.last.joules, 50.0, 1e-6);
    tick();
    // Only changes of the frame are told: the first one heard, on, then off.
    EXPECT_EQ(listener.frames.size(), 3u);
    EXPECT_EQ(listener.frames.back().back(), 'N');

    tick(49); // five seconds since the switch-off, on the display ticks again
    EXPECT_EQ(ui.PeriodReadout.caption(), "Period 0:00:10   Charge 2.778 mAh   Energy 13.889 mWh");
    ui.Command1.click();
    second(1);
    EXPECT_EQ(ui.PeriodReadout.caption(), "Period 0:00:01   Charge 0.278 mAh   Energy 1.389 mWh");
    form.unwatch(&listener);
}

TEST_F(PeriodReadoutTest, AStepProgramIsToldWhenItStartsAndEnds) {
    Listener listener;
    form.watch(&listener);
    ui.Adodc1.rows = {{1.0, 5.0, 1.0, 3.0}};
    attach_supply();
    run();
    second(2);
    run();
    EXPECT_EQ(listener.events, (std::vector<std::string>{"start", "run", "end", "idle"}));
    form.unwatch(&listener);
}

} // namespace
} // namespace kelvo::testing
