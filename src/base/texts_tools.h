// base/: the texts of what the program offers beyond the described window: the tool strip,
// the history window, the port choice, the monitor and the step-table tools.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace kelvo::texts {

// The output period on the tool strip: elapsed time, charge, energy.
inline constexpr Text kPeriodReadout{"Period %1   Charge %2   Energy %3",
                                     "时长 %1   电量 %2   能量 %3"};
// On standard error when a period ends.
inline constexpr Text kPeriodEndedLine{"Output period ended after %1 s: charge %2, energy %3",
                                       "Output period ended after %1 s: charge %2, energy %3"};

} // namespace kelvo::texts
