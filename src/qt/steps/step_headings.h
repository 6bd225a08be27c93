// qt/steps/: the step grid's columns and headings fitted to the grid's width, which the
// layout scales with the screen: the headings are always shown whole.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QTableView;

namespace kelvo::qt {

// Shares the view's width among the three step columns (fields 1..3) in their design
// proportions, and shows each heading on one line where it fits, else broken before its
// unit; the headings' font shrinks only when even that does not fit.
void fit_step_columns(QTableView& view);

} // namespace kelvo::qt
