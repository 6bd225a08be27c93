// Test profiles: the steps, end conditions and limits each kind makes of its figures, and
// the figures each refuses, in the user's words.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "program/profiles.h"

#include <gtest/gtest.h>

namespace kelvo {
namespace {

ProfileResult profile_of(std::string_view text) {
    const ProfileParse parsed = parse_profile(text);
    EXPECT_TRUE(parsed.ok()) << (parsed.ok() ? "" : describe(parsed.problems.front(), true));
    return make_profile(parsed.figures);
}

// The problems of figures that read well but do not make a plan.
std::vector<std::string> refusals_of(std::string_view text, bool english = true) {
    const ProfileResult made = profile_of(text);
    EXPECT_TRUE(made.plan.steps.empty());
    std::vector<std::string> words;
    words.reserve(made.problems.size());
    for (const ProfileProblem& problem : made.problems) {
        words.push_back(describe(problem, english));
    }
    return words;
}

using Words = std::vector<std::string>;

TEST(Profiles, LiIonChargesAtConstantCurrentUntilTheTaperEndsTheRunWithinItsSafetyTime) {
    const ProfileResult made =
        profile_of("LIION,cells=2,cell=4.2,current=1,taper=0.1,hours=3,capacity=2000");
    ASSERT_TRUE(made.ok());
    const std::vector<Step> expected{
        {840, 1000, 10800, {ConditionKind::CurrentBelow, 0.1, 30, 10800, true}}};
    EXPECT_EQ(made.plan.steps, expected);
    EXPECT_EQ(made.plan.name, "Li-ion charge");
    EXPECT_EQ(made.plan.settings,
              "cells=2, cell=4.2 V, current=1 A, taper=0.1 A, hours=3 h, capacity=2000 mAh");
    OutputLimits limits;
    limits[LimitKind::Voltage] = 8.4;
    limits[LimitKind::Current] = 1;
    limits[LimitKind::Time] = 10800 + 62; // the step's own end comes first
    limits[LimitKind::Charge] = 2000;
    EXPECT_EQ(made.plan.limits, limits);
    // Without a capacity no charge limit; 4.35 V cells; half an hour.
    const ProfileResult high =
        profile_of("liion,cells=7,cell=4.35,current=0.5,taper=0.05,hours=0.3");
    ASSERT_TRUE(high.ok());
    EXPECT_EQ(high.plan.steps.at(0).voltage_code, 3045);
    EXPECT_EQ(high.plan.steps.at(0).condition.longest, 1080);
    EXPECT_FALSE(high.plan.limits[LimitKind::Charge]);
}

TEST(Profiles, LiIonRefusesCellsVoltagesAndCurrentsItCannotChargeSafely) {
    EXPECT_EQ(refusals_of("LIION,cells=8,cell=4.36,current=5.2,taper=0.0005,hours=49"),
              (Words{"Cells in series: 8 is outside 1 to 7",
                     "Charge voltage a cell (V): 4.36 is outside 4.2 to 4.35",
                     "Charge current (A): 5.2 is outside 0.001 to 5.1",
                     "End at taper current (A): 0.0005 is outside 0.001 to 5.1",
                     "Safety time (h): 49 is outside 0.1 to 48"}));
    EXPECT_EQ(refusals_of("LIION,cells=2,cell=4.25,current=1,taper=1,hours=3"),
              (Words{"Charge voltage a cell (V): 4.25 is neither 4.20 nor 4.35",
                     "End at taper current (A): 1 is not below the Charge current (A), 1"}));
    EXPECT_EQ(refusals_of("LIION,cells=1.5,cell=4.2,current=1.0005,taper=0.1,hours=3"),
              (Words{"Cells in series: 1.5 is finer than 1",
                     "Charge current (A): 1.0005 is finer than 0.001"}));
    EXPECT_EQ(refusals_of("LIION,cells=2,cell=4.2,current=1,taper=1.5,hours=3", false),
              Words{"截止电流 (A)：1.5 不低于充电电流 (A) 1"});
    ProfileFigures unset;
    unset.kind = ProfileKind::LiIon;
    EXPECT_EQ(make_profile(unset).problems.size(), 5U); // all but the capacity
}

TEST(Profiles, LeadAcidBulksToItsTaperThenFloatsForItsHoursAndStopsOnARunaway) {
    const ProfileResult made =
        profile_of("LEADACID,cells=6,bulk=2.4,float=2.25,current=2,taper=0.2,bulkhours=8,hours=24");
    ASSERT_TRUE(made.ok());
    const std::vector<Step> expected{
        {1440, 2000, 28800, {ConditionKind::CurrentBelow, 0.2, 30, 28800, false}},
        {1350, 2000, 32767, {ConditionKind::CurrentAbove, 1.999, 30, 86400, true}}};
    EXPECT_EQ(made.plan.steps, expected);
    EXPECT_EQ(made.plan.limits[LimitKind::Voltage], 14.4);
    EXPECT_EQ(made.plan.limits[LimitKind::Current], 2);
    EXPECT_EQ(made.plan.limits[LimitKind::Time], 28800 + 86400 + 64);
    EXPECT_EQ(refusals_of("LEADACID,cells=6,bulk=2.3,float=2.3,current=2,taper=0.2,bulkhours=8,"
                          "hours=24"),
              Words{"Float voltage a cell (V): 2.3 is not below the Bulk voltage a cell (V), 2.3"});
    EXPECT_EQ(refusals_of("LEADACID,cells=13,bulk=2.6,float=2.25,current=2,taper=2,bulkhours=8,"
                          "hours=24"),
              (Words{"Cells in series: 13 is outside 1 to 12",
                     "Bulk voltage a cell (V): 2.6 is outside 2.3 to 2.5"}));
}

TEST(Profiles, NickelChargesUnderACeilingUntilTheEndVoltageOrItsTime) {
    const ProfileResult made = profile_of("NIMH,cells=4,end=1.45,current=0.2,hours=14");
    ASSERT_TRUE(made.ok());
    const std::vector<Step> expected{
        {600, 200, 32767, {ConditionKind::VoltageAbove, 5.8, 300, 50400, true}}};
    EXPECT_EQ(made.plan.steps, expected);
    EXPECT_EQ(made.plan.limits[LimitKind::Voltage], 6);
    EXPECT_EQ(made.plan.limits[LimitKind::Time], 50400 + 62);
    const ProfileResult nicd = profile_of("nicd,cells=4,end=1.45,current=0.2,hours=14");
    EXPECT_EQ(nicd.plan.steps, made.plan.steps);
    EXPECT_EQ(nicd.plan.limits, made.plan.limits);
    // A time below the shortest time: the condition is tested from the start of it.
    EXPECT_EQ(profile_of("NIMH,cells=4,end=1.45,current=0.2,hours=0.1")
                  .plan.steps.at(0)
                  .condition.shortest,
              300);
    EXPECT_EQ(refusals_of("NIMH,cells=19,end=1.6,current=0.2,hours=14"),
              Words{"Cells in series: the cells come to 31.35 V, above 31 V"});
}

TEST(Profiles, BurnInHoldsItsVoltageForHoursBeyondAStepsSecondsAndStopsOnTheCurrent) {
    const ProfileResult made = profile_of("BURNIN,volts=12,limit=1,level=0.8,hours=48");
    ASSERT_TRUE(made.ok());
    const std::vector<Step> expected{
        {1200, 1000, 32767, {ConditionKind::CurrentAbove, 0.8, 10, 172800, true}}};
    EXPECT_EQ(made.plan.steps, expected);
    EXPECT_EQ(made.plan.limits[LimitKind::Voltage], 12);
    EXPECT_EQ(made.plan.limits[LimitKind::Current], 1);
    EXPECT_EQ(made.plan.limits[LimitKind::Time], 172800 + 62);
    EXPECT_TRUE(profile_of("BURNIN,volts=12,limit=1,level=0.8,hours=8760").ok());
    EXPECT_EQ(refusals_of("BURNIN,volts=12,limit=1,level=1,hours=48"),
              Words{"Stop when the current exceeds (A): 1 is not below the Current limit (A), 1"});
}

TEST(Profiles, SweepStepsUpOrDownToItsLastVoltageAndEachStepEndsTheRunOnTheCurrent) {
    const ProfileResult up =
        profile_of("SWEEP,from=1,to=2,step=0.3,seconds=5,limit=0.1,level=0.01");
    ASSERT_TRUE(up.ok());
    std::vector<int> volts;
    for (const Step& step : up.plan.steps) {
        volts.push_back(step.voltage_code);
        EXPECT_EQ(step.current_code, 100);
        EXPECT_EQ(step.seconds, 5);
        EXPECT_EQ(step.condition, (StepCondition{ConditionKind::CurrentAbove, 0.01, 1, 5, true}));
    }
    EXPECT_EQ(volts, (std::vector<int>{100, 130, 160, 190, 200}));
    EXPECT_EQ(up.plan.limits[LimitKind::Voltage], 2);
    EXPECT_EQ(up.plan.limits[LimitKind::Time], 5 * (5 + 2) + 60);
    const ProfileResult down =
        profile_of("SWEEP,from=2,to=1,step=0.5,seconds=5,limit=0.1,level=0.01");
    ASSERT_EQ(down.plan.steps.size(), 3U);
    EXPECT_EQ(down.plan.steps.at(1).voltage_code, 150);
    EXPECT_EQ(down.plan.steps.at(2).voltage_code, 100);
    EXPECT_EQ(down.plan.limits[LimitKind::Voltage], 2);
    EXPECT_EQ(refusals_of("SWEEP,from=2,to=2,step=0.5,seconds=5,limit=0.1,level=0.01"),
              Words{"To (V): the sweep would go from 2 V to the same voltage"});
    EXPECT_EQ(refusals_of("SWEEP,from=0,to=31,step=0.01,seconds=32767,limit=0.1,level=0.01"),
              Words{"Seconds a step: the run would last 28226 h 52 min 9 s, more than a year"});
    EXPECT_EQ(refusals_of("SWEEP,from=0,to=1,step=0.005,seconds=0,limit=0.1,level=0.2"),
              (Words{"Step (V): 0.005 is outside 0.01 to 31",
                     "Seconds a step: 0 is outside 1 to 32767"}));
}

} // namespace
} // namespace kelvo
