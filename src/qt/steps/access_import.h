// qt/steps/: turning a user's old Access step table into our SQLite db1.mdb, in place.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "access/mdb_reader.h"
#include "platform/services.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kelvo::qt {

// An Access table laid out as a step table, fields by position:
//   1  the id: kept when the source's first field holds whole numbers that rise strictly
//      from row to row (so the id order is the table's own order); otherwise the rows are
//      numbered 1..n and the first field is dropped (the backup still has it).
//   2-4  volts, amperes, seconds; 5  the source's fifth field, when it has one, under its
//      own name.
// Numbers stay numbers and empty values stay empty. Texts and dates stay text: the step
// check refuses them at RUN with a message naming the row, which tells the user more than
// a silent zero would. A text that reads as a number becomes that number in a volts,
// amperes or seconds field (the fields are REAL). Tables with fewer than four or more than
// five fields, or with pictures or other binary data, are refused.
struct StepRecords {
    std::optional<std::string> fifth_field; // its name
    bool fifth_is_number = false;
    std::vector<std::int64_t> ids;
    std::vector<std::vector<platform::FieldValue>> values; // fields 2..5 of each row
};

// Throws access::AccessError with the reason.
StepRecords to_step_records(const access::Table& table);

// Writes the records as a new table of an SQLite database file; throws std::runtime_error
// with the reason.
void write_step_table(const std::string& path, const std::string& table,
                      const StepRecords& records);

// Converts the Jet database at `path` into an SQLite database holding `table` as a step
// table, under the same name. The conversion is written beside it and renamed into place
// when complete; the original stays as <name>.access-backup<.ext> (-2, -3, ... when that
// is taken). Returns the line that tells the user so. On any failure throws StartupError
// naming the file and the reason, and leaves the folder as it was.
std::string import_access_database(const std::string& path, const std::string& table,
                                   std::chrono::milliseconds time_limit = std::chrono::seconds(15));

} // namespace kelvo::qt
