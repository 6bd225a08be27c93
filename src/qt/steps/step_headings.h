// qt/steps/: the step grid's columns and headings fitted to the grid's width, which the
// layout scales with the screen: the headings are always shown whole.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <vector>

class QTableView;

namespace kelvo::qt {

// A column of a step's end condition: its field and its heading in the language chosen.
struct ConditionColumn {
    int field = 0;
    QString heading;
    QString widest; // the widest value it is expected to show ("mWh>", "86400")
};

// Shares the view's width among the three step columns (fields 1..3) in their design
// proportions, and shows each heading on one line where it fits, else broken before its
// unit; the headings' font shrinks only when even that does not fit. The condition's columns
// follow to the right, each as wide as its heading or its widest value.
void fit_step_columns(QTableView& view, const std::vector<ConditionColumn>& conditions = {});

} // namespace kelvo::qt
