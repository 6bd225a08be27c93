// qt/steps/: the step table's SQLite file: why it cannot be read or refused a change, in
// the user's words, and the read lock that keeps a group of reads on one state of it.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QSqlDatabase>
#include <QSqlError>
#include <QString>

#include <string>

namespace kelvo::qt {

// How long SQLite waits for another program's lock before it gives up. A commit elsewhere
// takes a few milliseconds; anything longer is reported rather than waited out on the
// window's thread, which also runs the 100 ms polling cycle.
constexpr int kBusyTimeoutMs = 50;

// What kind of file the step table is, by its first bytes; empty for an SQLite database.
std::string unreadable_reason(const std::string& path);

// Why the file refused a read or a write, in the user's words.
QString failure_reason(const QSqlError& error, const std::string& path);

// One statement of its own; its error keeps SQLite's code, which QSqlDatabase::commit()
// and its kin drop.
bool execute(QSqlDatabase& database, const QString& statement, QSqlError& error);

// Holds the file's read lock over a group of reads, so that they see one state of the file
// and none of them fails half-way on another program's lock. A select that failed would
// leave the model empty.
class ReadLock {
public:
    explicit ReadLock(const QSqlDatabase& database);
    ~ReadLock() { release(); }
    ReadLock(const ReadLock&) = delete;
    ReadLock& operator=(const ReadLock&) = delete;
    // Invalid while the lock is held.
    const QSqlError& error() const { return error_; }

private:
    void release();

    QSqlDatabase database_;
    QSqlError error_;
    bool held_ = false;
};

} // namespace kelvo::qt
