// access/: reading the tables of an old Access (Jet) database through libmdb.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/services.h"

#include <chrono>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace kelvo::access {

// A Jet file that cannot be read as asked. The text is the reason only; the caller knows
// which file it was.
class AccessError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Whether the file starts with the signature of an Access database: Jet 3, Jet 4 or ACE.
// The name says nothing: our own SQLite step table is called db1.mdb too.
bool is_jet_file(const std::string& path);

// What a column holds. Numbers arrive as doubles (booleans as 0 and 1), texts and dates as
// UTF-8 text (dates as "YYYY-MM-DD hh:mm:ss"). Pictures and other binary data are not read:
// their values are always empty.
enum class ColumnKind { Number, Text, Date, Binary };

struct Column {
    std::string name;
    ColumnKind kind = ColumnKind::Text;
};

struct Table {
    std::string name;   // as the database spells it
    std::string format; // "Jet 3", "Jet 4" or "ACE"
    std::vector<Column> columns;
    // Every row in the table's own order; values by column position, empty as monostate.
    std::vector<std::vector<platform::FieldValue>> rows;
};

// An open Jet database, read in this process. Texts of a Jet 3 file are taken as CP1252
// unless MDB_JET3_CHARSET names another code page (CP936 for Chinese files).
//
// libmdb trusts the file: some damage sends it into an endless loop or a crash. Outside
// tests, read through read_table() below, which keeps that away from the program.
class JetDatabase {
public:
    explicit JetDatabase(const std::string& path);
    ~JetDatabase();
    JetDatabase(const JetDatabase&) = delete;
    JetDatabase& operator=(const JetDatabase&) = delete;

    std::string format() const;
    std::vector<std::string> table_names() const; // the user's tables, not the system's
    // The table of that name (letter case aside); throws AccessError.
    Table read_table(const std::string& name) const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// Reads one table in a child process. A file that makes libmdb crash or run past the time
// limit ends as an AccessError like any other damage; the program goes on either way.
Table read_table(const std::string& path, const std::string& name,
                 std::chrono::milliseconds time_limit = std::chrono::seconds(15));

} // namespace kelvo::access
