// program/: what a test profile comes to: the steps it writes into the step table and the
// limits its run needs, with its name and settings for the timeline and the report.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "limits/output_limits.h"
#include "program/step_csv.h"

#include <string>
#include <vector>

namespace kelvo {

struct ProfilePlan {
    std::string name;     // "Li-ion charge": the source of the timeline's "profile" event
    std::string settings; // one English line: "2 cells, 4.20 V a cell, 1.000 A, ..."
    std::vector<Step> steps;
    // The limits the run needs: set for the run on top of the user's (an unset one here
    // leaves the user's as it is), and the user's back when the run ends.
    OutputLimits limits;
};

} // namespace kelvo
