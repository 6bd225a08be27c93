// main/: the command line's export of a record to CSV, and of its timeline, run before
// any window exists.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace kelvo::history {

// args: RECORD.TXT [OUT.csv] (OUT defaults to RECORD with the extension .csv). Returns the
// exit code: 0 done, 1 the record cannot be read or is not one, 2 wrong arguments, 3 the
// output cannot be written; anything wrong is said in one line on `errors`.
int export_csv_command(const std::vector<std::string>& args, std::ostream& errors);

// args: RECORD.TXT [OUT.csv]: the period's timeline (the events file beside the record,
// or what the record itself tells when there is none) as CSV to OUT, standard output
// when none is named ("-" too). Exit codes as export_csv_command.
int export_events_command(const std::vector<std::string>& args, std::ostream& out,
                          std::ostream& errors);

// The report of the run in RECORD.TXT (history/run_report.h) in English on `out`. Returns
// 0 done, 1 the record cannot be read or is not one, 2 no RECORD, 3 `out` failed.
int report_command(const std::string& record, std::ostream& out, std::ostream& errors);

} // namespace kelvo::history
