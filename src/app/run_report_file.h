// app/: the report of a step program's run, written beside its record when the period is
// saved, and the windows told that a record was saved.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace kelvo {

class Form1;

// After a period's record and events file are saved at `record_path`: the report of the
// run beside them (history::report_path_of) in the window's language when a step program
// ran in the period, a manual period none; a report that cannot be written is told on the
// monitor. Then the observers hear of the record saved.
void save_run_report(Form1& form, const std::string& record_path);

} // namespace kelvo
