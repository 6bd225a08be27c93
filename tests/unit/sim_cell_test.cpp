// The simulator's cell: it fills at the current limit, then tapers under constant voltage.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "supply_model.h"

#include <gtest/gtest.h>

namespace kelvo::sim {
namespace {

TEST(SimulatedCell, FillsAtTheLimitThenTapersUnderConstantVoltage) {
    CellPack pack; // 10 mAh, one cell, empty
    const Command charge{420, 'H', 1000, true};
    Reading r = pack.measure(charge);
    EXPECT_EQ(r.current_code, 1000); // limited: 3.0 V + 0.2 V
    EXPECT_EQ(r.voltage_code, 320);
    EXPECT_EQ(r.status, 'B');
    double seconds = 0;
    while (pack.measure(charge).current_code >= 1000 && seconds < 120) {
        pack.charge(charge, 0.1);
        seconds += 0.1;
    }
    // Constant current until the cell reads 4.0 V open (8.3 mAh at 1 A: 30 s).
    EXPECT_NEAR(seconds, 30, 1);
    EXPECT_EQ(pack.measure(charge).voltage_code, 420);
    int previous = pack.measure(charge).current_code;
    while (pack.measure(charge).current_code >= 100 && seconds < 120) {
        pack.charge(charge, 0.1);
        seconds += 0.1;
        const int now = pack.measure(charge).current_code;
        ASSERT_LE(now, previous);
        previous = now;
    }
    // Tapered to 0.1 A within a minute in all: a 6 s time constant, ln 10 of them.
    EXPECT_NEAR(seconds, 44, 2);
    EXPECT_LT(pack.charge_mah, 10);
}

TEST(SimulatedCell, TheSupplyNeverDischargesItAndOffReadsNothing) {
    CellPack pack;
    pack.cells = 2;
    pack.charge_mah = 10; // full: 8.4 V
    const Reading below = pack.measure({500, 'H', 1000, true});
    EXPECT_EQ(below.current_code, 0);
    EXPECT_EQ(below.voltage_code, 500);
    pack.charge({500, 'H', 1000, true}, 100);
    EXPECT_EQ(pack.charge_mah, 10);
    EXPECT_EQ(pack.measure({840, 'H', 1000, false}).voltage_code, 0);
}

} // namespace
} // namespace kelvo::sim
