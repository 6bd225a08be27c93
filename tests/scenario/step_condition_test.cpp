// Steps that end on a condition, tick by tick: each kind of condition, the shortest and
// longest times, a silence while one is waited for, a condition that ends the run, and STOP
// and the trip during such a step.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "scenario/fixture.h"

#include <algorithm>

namespace kelvo::testing {
namespace {

using platform::FieldValue;

const std::string kFiveOn = SupplyTest::frame(500, 1000, 'O');
const std::string kTenOn = SupplyTest::frame(1000, 2000, 'O');

class StepConditionTable : public SupplyTest {
protected:
    void SetUp() override {
        ui.Adodc1.fields = 9;
        ui.Adodc1.names = {"ID",       "Voltage",         "Current",        "Seconds", "endwhen",
                           "ENDLEVEL", "ShortestSeconds", "LongestSeconds", "Then"};
        answering = true;
        attach_supply();
        ui.Combo5.choose(1);
    }
    // A first step of 5 V, 1 A waiting for the condition, then a plain one of 10 V, 2 A, 3 s.
    void table(FieldValue kind, FieldValue level, FieldValue shortest = {}, FieldValue longest = {},
               FieldValue then = {}) {
        ui.Adodc1.rows = {{1.0, 5.0, 1.0, 0.0, kind, level, shortest, longest, then},
                          {2.0, 10.0, 2.0, 3.0}};
    }
    // The display seconds, after RUN, at which each step ended, and why.
    std::vector<std::string> step_ends() const {
        std::vector<std::string> ends;
        for (const PeriodEvent& event : form.period_events) {
            if (event.kind == EventKind::StepEnded) {
                ends.push_back(event.source + " " + event.detail);
            }
        }
        return ends;
    }
    // Seconds of the first step on the wire, counted in display seconds.
    int first_step_seconds() const {
        const FrameRuns runs = frame_runs();
        return runs.empty() || runs.front().first != kFiveOn ? -1 : (runs.front().second + 9) / 10;
    }
};

class StepEnding : public StepConditionTable {};

TEST_F(StepEnding, CurrentBelowEndsTheStepOnTheSecondAfterTheFirstLowReading) {
    table("I<", 0.5);
    run();
    second(5);
    EXPECT_EQ(frame_runs(), (FrameRuns{{kFiveOn, 50}})); // 1 A is not below 0.5 A
    answer_amps = "0400";
    second(3);
    // Read on second 6, tested on second 7: the next step is on the wire from its next tick.
    EXPECT_EQ(first_step_seconds(), 7);
    EXPECT_EQ(frame_runs()[1].first, kTenOn);
    ASSERT_EQ(step_ends().size(), 1u);
    EXPECT_EQ(step_ends()[0], "step 1 condition: I<0.500 A at 0.400 A after 7 s");
}

TEST_F(StepEnding, EachKindEndsWhenItsReadingCrossesTheLevel) {
    struct Case {
        const char* kind;
        double level;
        const char* holds_volts;
        const char* holds_amps;
        const char* crosses_volts;
        const char* crosses_amps;
    };
    const Case cases[] = {
        {"I<", 0.5, "0500", "1000", "0500", "0499"},
        {"i>", 1.5, "0500", "1500", "0500", "1501"},
        {"V<", 4.0, "0400", "1000", "0399", "1000"},
        {"V>", 6.0, "0600", "1000", "0601", "1000"},
        // Power crosses by the current alone, so that it is the product that counts.
        {"P<", 4.0, "0200", "2000", "0200", "1990"},
        {"P>", 8.0, "0400", "2000", "0400", "2001"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.kind);
        answer_volts = c.holds_volts;
        answer_amps = c.holds_amps;
        table(c.kind, c.level);
        run();
        second(4);
        EXPECT_TRUE(step_ends().empty()) << step_ends()[0];
        answer_volts = c.crosses_volts;
        answer_amps = c.crosses_amps;
        second(2);
        EXPECT_EQ(step_ends().size(), 1u);
        ui.Command4.click();
    }
}

TEST_F(StepEnding, ChargeAndEnergyCountThePeriodSoFar) {
    // 1 A: 1 mAh every 3.6 s; 5 W: 1 mWh every 0.72 s.
    table("mAh>", 2.0);
    run();
    second(7);
    EXPECT_TRUE(step_ends().empty());
    second(2);
    ASSERT_EQ(step_ends().size(), 1u);
    EXPECT_EQ(step_ends()[0].rfind("step 1 condition: mAh>2 mAh at 2.", 0), 0u) << step_ends()[0];
    ui.Command4.click();
    table("mWh>", 10.0);
    run();
    second(7);
    EXPECT_TRUE(step_ends().empty());
    second(2);
    EXPECT_EQ(step_ends().size(), 1u);
}

TEST_F(StepEnding, NotBeforeTheShortestTimeAndNoLaterThanTheLongest) {
    answer_amps = "0100";
    table("I<", 0.5, 6.0);
    run();
    second(8);
    EXPECT_EQ(first_step_seconds(), 6);
    ui.Command4.click();

    answer_amps = "1000";
    table("I<", 0.5, 2.0, 4.0);
    run();
    second(6);
    EXPECT_EQ(first_step_seconds(), 4);
    ASSERT_EQ(step_ends().size(), 1u);
    EXPECT_EQ(step_ends()[0], "step 1 longest time: 4 s");
}

TEST_F(StepEnding, TheFirstReadingOfAStepIsNotItsOwn) {
    // Step 2 waits for the current to fall below 0.5 A, which it is from the start: the
    // reply read on its first second may still belong to step 1, so the second one ends it.
    answer_amps = "0100";
    ui.Adodc1.rows = {{1.0, 5.0, 1.0, 2.0}, {2.0, 10.0, 2.0, 0.0, "I<", 0.5}, {3.0, 1.0, 1.0, 9.0}};
    run();
    second(6);
    const std::vector<std::string> ends = step_ends();
    ASSERT_EQ(ends.size(), 2u);
    EXPECT_EQ(ends[1], "step 2 condition: I<0.500 A at 0.100 A after 2 s");
}

TEST_F(StepEnding, ASilenceIsNotAReadingButTheLongestTimeStillCounts) {
    table("I<", 0.5, {}, 12.0);
    run();
    second(3);
    // The supply falls silent: the readings shown drop to 0 A, which is no measurement.
    answering = false;
    second(6);
    EXPECT_TRUE(form.program_running);
    EXPECT_TRUE(step_ends().empty());
    answering = true;
    second(4);
    ASSERT_EQ(step_ends().size(), 1u);
    EXPECT_EQ(step_ends()[0], "step 1 longest time: 12 s");
    ui.Command4.click();

    // The last reading before the silence meets the condition, but only after the shortest
    // time, which passes in the silence: the step waits for the supply to answer again.
    answer_amps = "0100";
    table("I<", 0.5, 5.0, 30.0);
    run();
    second(3);
    answering = false;
    second(6);
    EXPECT_TRUE(step_ends().empty()) << step_ends()[0];
    answering = true;
    second(3);
    ASSERT_EQ(step_ends().size(), 1u);
    EXPECT_EQ(step_ends()[0], "step 1 condition: I<0.500 A, 5..30 s at 0.100 A after 11 s");
}

TEST_F(StepEnding, StopInTheThenCellEndsTheRunOnTheConditionButNotOnTheLongestTime) {
    answer_amps = "2000";
    table("I>", 1.5, {}, 30.0, "STOP");
    run();
    second(2);
    EXPECT_TRUE(form.program_running);
    second(1);
    EXPECT_FALSE(form.program_running) << ::testing::PrintToString(step_ends());
    EXPECT_EQ(output_letter(), 'N');
    EXPECT_EQ(form.last_run_end, "step condition");
    EXPECT_EQ(record_count(), 1u);
    EXPECT_EQ(form.period_events.back().kind, EventKind::OutputOff);
    EXPECT_EQ(form.period_events.back().source, "step condition");

    answer_amps = "1000";
    table("I>", 1.5, {}, 3.0, "stop");
    run();
    second(5);
    EXPECT_TRUE(form.program_running);
    EXPECT_EQ(frame_runs()[1].first, kTenOn);
}

TEST_F(StepEnding, StopAndTheTripEndTheStepWithTheRun) {
    table("I<", 0.5);
    run();
    second(3);
    ui.Command4.click();
    EXPECT_EQ(step_ends(), (std::vector<std::string>{"step 1 run ended: stop after 3 s"}));
    EXPECT_EQ(form.last_run_end, "stop");

    ui.Combo4.choose(1);
    run();
    second(2);
    answer_status = 'B';
    answer_amps = "5100";
    second(2);
    EXPECT_FALSE(form.program_running);
    EXPECT_EQ(step_ends(),
              (std::vector<std::string>{"step 1 run ended: over-current trip after 3 s"}));
    EXPECT_EQ(form.last_run_end, "over-current trip");
}

TEST_F(StepEnding, EmptyConditionCellsRunTheDescribedWay) {
    ui.Adodc1.rows = {{1.0, 5.0, 1.0, 3.0, std::string(" "), FieldValue{}}, {2.0, 10.0, 2.0, 2.0}};
    run();
    second(7);
    const FrameRuns expected{{kFiveOn, 30},
                             {kTenOn, 19},
                             {SupplyTest::frame(500, 1000, 'N'), 1},
                             {SupplyTest::frame(0, 0, 'N'), 20}};
    EXPECT_EQ(frame_runs(), expected);
    EXPECT_EQ(step_ends(),
              (std::vector<std::string>{"step 1 seconds: 3 s", "step 2 seconds: 2 s"}));
}

TEST_F(StepEnding, ABadCellIsRefusedAtRunNamingItsRow) {
    const std::pair<std::vector<FieldValue>, std::string> bad[] = {
        {{"Q<", 1.0},
         "Item No.2: end when \"Q<\" is not a condition; use I<, I>, V<, V>, P<, P>, "
         "mAh> or mWh>"},
        {{"I<", FieldValue{}}, "Item No.2: the condition has no level"},
        {{"I<", 6.0}, "Item No.2: level 6 is outside 0 to 5.1 A"},
        {{"V>", 1.0, 1.5},
         "Item No.2: shortest s 1.5 is not a whole number of seconds from 0 to "
         "31622400"},
        {{"V>", 1.0, 9.0, 8.0}, "Item No.2: longest s 8 is below the shortest time"},
        {{FieldValue{}, 1.0}, "Item No.2: level 1 is given, but no end condition"},
        {{"I<", 1.0, {}, {}, "later"}, "Item No.2: then \"later\" is neither next nor stop"},
    };
    for (const auto& [cells, prompt] : bad) {
        SCOPED_TRACE(prompt);
        std::vector<FieldValue> row{2.0, 10.0, 2.0, 3.0};
        row.insert(row.end(), cells.begin(), cells.end());
        ui.Adodc1.rows = {{1.0, 5.0, 1.0, 3.0}, row, {3.0, 1.0, 1.0, 1.0}};
        run();
        EXPECT_FALSE(form.program_running);
        EXPECT_EQ(last_prompt(), prompt);
        EXPECT_EQ(ui.message_box.shown.back().title, "Setting end condition error");
        EXPECT_EQ(ui.Adodc1.current, 1);
        ui.message_box.answer(0);
    }
}

class ProfileRun : public StepConditionTable {};

ProfilePlan charge_plan() {
    ProfilePlan plan;
    plan.name = "Li-ion charge";
    plan.settings = "1 cell, 4.20 V a cell, 1.000 A, end below 0.100 A, 1 h";
    Step step{420, 1000, 0, {}};
    step.condition = {ConditionKind::CurrentBelow, 0.1, 5, 3600, true};
    plan.steps = {step};
    plan.limits[LimitKind::Voltage] = 4.2;
    plan.limits[LimitKind::Time] = 3660;
    return plan;
}

TEST_F(ProfileRun, ItsLimitsHoldForItsRunOnlyAndTheStricterOfTwoWins) {
    ui.Combo5.choose(0); // until stopped: a profile runs once all the same
    answer_volts = "0420";
    form.output_limits[LimitKind::Time] = 600;   // the user's, stricter than the profile's
    form.output_limits[LimitKind::Voltage] = 10; // the user's, looser than the profile's
    ASSERT_TRUE(form.load_profile(charge_plan()));
    ASSERT_EQ(ui.Adodc1.rows.size(), 1u);
    run();
    ASSERT_TRUE(form.program_running);
    EXPECT_EQ(form.output_limits[LimitKind::Voltage], 4.2);
    EXPECT_EQ(form.output_limits[LimitKind::Time], 600);
    EXPECT_EQ(ui.Combo5.text(), "1");
    const auto profile =
        std::find_if(form.period_events.begin(), form.period_events.end(),
                     [](const PeriodEvent& e) { return e.kind == EventKind::ProfileRun; });
    ASSERT_NE(profile, form.period_events.end());
    EXPECT_EQ(profile->source, "Li-ion charge");
    second(3);
    EXPECT_TRUE(form.program_running); // at its own limit, not above it
    answer_amps = "0050";
    second(8);
    EXPECT_FALSE(form.program_running);
    EXPECT_EQ(form.last_run_end, "step condition");
    EXPECT_EQ(form.output_limits[LimitKind::Voltage], 10);
    EXPECT_EQ(form.output_limits[LimitKind::Time], 600);
    // Armed for one run: the next RUN of the same table has the user's limits only.
    run();
    EXPECT_EQ(form.output_limits[LimitKind::Voltage], 10);
}

TEST_F(ProfileRun, ATableChangedSinceRunsWithoutTheProfileAndOneAboveItsLimitIsRefused) {
    ASSERT_TRUE(form.load_profile(charge_plan()));
    ui.Adodc1.rows[0][1] = 5.0; // edited in the grid: 5 V
    run();
    EXPECT_TRUE(form.program_running);
    EXPECT_FALSE(form.output_limits[LimitKind::Voltage]);
    ui.Command4.click();

    ProfilePlan plan = charge_plan();
    plan.limits[LimitKind::Voltage] = 4.0; // below its own step
    ASSERT_TRUE(form.load_profile(plan));
    run();
    EXPECT_FALSE(form.program_running);
    EXPECT_FALSE(form.output_limits[LimitKind::Voltage]);
}

} // namespace
} // namespace kelvo::testing
