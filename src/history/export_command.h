// history/: the command line's export of a record to CSV, and of its timeline, run before
// any window exists; and the reading of a record and its events file from disk.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "history/record_reader.h"

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

// The series as CSV at `path`, replacing what is there only once the CSV is whole (a FIFO
// or a link there is replaced, never opened); the empty string, or why it was not written.
std::string write_csv_file(const Series& series, const std::string& path);

// Reads a record file chunk by chunk; the empty string, or why it could not be read. A
// pipe or a device is refused, not waited on.
std::string read_record_file(const std::string& path, Series& series);
// The record and the events file beside it (events_path_of), as one period. An events
// file that is missing, damaged, not a regular file or too large counts as none.
std::string read_period_files(const std::string& path, Series& series);

// The local offset from UTC, in minutes, of a moment of the local clock.
int local_offset_minutes(const platform::DateTime& local);

} // namespace kelvo::history
