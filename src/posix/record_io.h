// posix/: records and their events files read from disk, and files written whole, through
// POSIX descriptors: what the history window and the command line's export share.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "history/record_reader.h"

#include <functional>
#include <ostream>
#include <string>

namespace kelvo::posix {

// `write` fills a temporary file in the folder of `path`, which is renamed over it only once
// it is whole and on the disk: `path` is never half written, a FIFO or a link there is
// replaced, never opened, and on a failure nothing is left behind. The empty string, or why
// it was not written.
std::string write_replacing(const std::string& path,
                            const std::function<bool(std::ostream&)>& write);

// Whether both names reach the same file (by a symbolic or a hard link, or as themselves).
bool same_file(const std::string& first, const std::string& second);

// The series as CSV at `path`, written as write_replacing writes.
std::string write_csv_file(const history::Series& series, const std::string& path);

// Reads a record file chunk by chunk; the empty string, or why it could not be read. A
// pipe or a device is refused, not waited on.
std::string read_record_file(const std::string& path, history::Series& series);
// The record and the events file beside it (events_path_of), as one period. An events
// file that is missing, damaged, not a regular file or too large counts as none.
// `skipped_rows`, when given, counts the rows of the events file that did not read.
std::string read_period_files(const std::string& path, history::Series& series,
                              std::size_t* skipped_rows = nullptr);

// The local offset from UTC, in minutes, of a moment of the local clock.
int local_offset_minutes(const DateTime& local);

} // namespace kelvo::posix
