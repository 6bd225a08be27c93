// The period's charge and energy: what each reading stands for, the freeze at switch-off,
// and the units on the tool strip.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "meter/period_meter.h"

#include <gtest/gtest.h>

#include <limits>

namespace kelvo {
namespace {

TEST(PeriodMeter, EachReadingStandsForTheTimeSinceTheLastAndTheLastHoldsUntilOff) {
    PeriodMeter meter;
    meter.start(100.0);
    // The first reading comes 0.3 s after switch-on, then one a second.
    for (int i = 0; i < 10; ++i) {
        meter.add(100.3 + i, 5.00, 0.500);
    }
    meter.stop(110.0);
    // 5.00 V, 0.500 A for exactly the 10 s the output was on.
    EXPECT_NEAR(meter.coulombs(), 5.0, 1e-9);
    EXPECT_NEAR(meter.joules(), 25.0, 1e-9);
    EXPECT_EQ(charge_text(meter.coulombs()), "1.389 mAh");
    EXPECT_EQ(energy_text(meter.joules()), "6.944 mWh");
    // Frozen: later readings and later clocks change nothing until the next start.
    meter.add(120.0, 30.0, 5.0);
    meter.stop(130.0);
    EXPECT_DOUBLE_EQ(meter.elapsed(999.0), 10.0);
    EXPECT_NEAR(meter.coulombs(), 5.0, 1e-9);
    meter.start(200.0);
    EXPECT_EQ(meter.coulombs(), 0.0);
    EXPECT_DOUBLE_EQ(meter.elapsed(201.5), 1.5);
}

TEST(PeriodMeter, GarbledReadingsAndAClockThatStepsBackAddNothing) {
    PeriodMeter meter;
    meter.start(0.0);
    meter.add(1.0, -5.0, 0.5);
    meter.add(2.0, std::numeric_limits<double>::quiet_NaN(), 1.0);
    meter.add(1.5, 5.0, 1.0);
    EXPECT_EQ(meter.joules(), 0.0);
    EXPECT_NEAR(meter.coulombs(), 1.5, 1e-9); // the current of both seconds was sound
    meter.add(3.0, 2.0, 1.0);
    EXPECT_NEAR(meter.joules(), 2.0, 1e-9);
}

TEST(PeriodMeter, UnitsSwitchAtAThousandAndTimeGrowsPastADay) {
    EXPECT_EQ(charge_text(3599.0), "999.722 mAh");
    EXPECT_EQ(charge_text(3600.0), "1.000 Ah");
    EXPECT_EQ(energy_text(3.6 * 1234.0), "1.234 Wh");
    EXPECT_EQ(elapsed_text(3725.4), "1:02:05");
    EXPECT_EQ(elapsed_text(100 * 3600.0), "100:00:00");
}

} // namespace
} // namespace kelvo
