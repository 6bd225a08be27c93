// qt/steps/: the step table as the program's record set: opening the file (converting an
// old Access one first), moving through its steps, adding and deleting them.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/services.h"
#include "qt/steps/step_model.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QString>
#include <QVariant>

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace kelvo::qt {

class QtRecordSet final : public platform::RecordSet {
public:
    QtRecordSet();
    ~QtRecordSet() override;
    QtRecordSet(const QtRecordSet&) = delete;
    QtRecordSet& operator=(const QtRecordSet&) = delete;

    void set_database(const std::string& path) override { path_ = path; }
    void set_record_source(const std::string& table) override { table_ = table; }
    void refresh() override;
    int record_count() const override;
    int field_count() const override;
    void move_first() override;
    void move_next() override;
    platform::FieldValue field(int position) const override;
    std::string field_name(int position) const override;
    void set_reporter(platform::Reporter& reporter) override { reporter_ = &reporter; }
    // In one transaction, like deleting steps (step_store_write.cpp).
    std::string write_steps(const std::vector<platform::StepRow>& steps, bool replace) override;
    std::string add_condition_fields() override;
    // Whether the table has every one of the condition's fields.
    bool has_condition_fields() const;

    // Steps are added and deleted only while no column is locked: a running program works
    // on the copy it took at RUN, which must stay what the grid shows.
    bool steps_changeable() const;
    // Appends an empty step (no volts, amperes or seconds) under a fresh id and makes it
    // the current record.
    bool add_record();
    // Deletes the rows first..first+count-1, all or none; the current record stays on the
    // same row number, or the last row.
    bool delete_records(int first, int count);
    // Why the last add or delete failed, in the user's words; empty when it was only refused.
    const QString& last_error() const { return error_; }
    // What identifies the rows first..first+count-1 now: a question about them is answered
    // for the same rows only.
    QVariantList row_ids(int first, int count) const;

    StepTableModel* model() const { return model_.get(); }
    int current_row() const { return row_; }
    // The grid's current row is the current record, whichever side moves it.
    void set_current_row(int row);
    std::function<void()> on_reload;
    std::function<void(int)> on_move;
    // A grid edit did not reach the file; the grid already shows the file again.
    std::function<void(const QString& reason)> on_refused;

private:
    // The connection to the file, opened afresh.
    QSqlDatabase open_database() const;
    // The table as a model, read whole; called under the file's read lock.
    std::unique_ptr<StepTableModel> read_table(const QSqlDatabase& database);
    // Inserts an empty step in a transaction of its own and gives its id; nothing when the
    // file refused, which is then as it was.
    std::optional<QVariant> insert_empty_step();
    // Runs the statements in one transaction, then reads the table again (with its new
    // fields when some were added): an empty text, or why the file refused.
    std::string change(const std::function<bool(QSqlQuery&)>& statements, bool adds_fields);
    // The statements of write_steps, inside its transaction; false at the first that failed.
    bool insert_steps(const std::vector<platform::StepRow>& steps, bool replace, bool add_fields,
                      QSqlQuery& query);
    // Adds the condition's fields the table lacks; false at the first the file refused.
    bool alter_table(QSqlQuery& query);
    void fetch_all() const;
    // A change failed half-way: keeps the reason and leaves the file as it was.
    void roll_back(const QSqlError& error, QSqlDatabase& database);
    // Reads the table again, all of it or nothing: when the file cannot be read now, the grid
    // keeps what it read last.
    bool reread();
    // The same after a change the file refused, once the window's thread has turned.
    void reread_soon(std::function<void()> then = {});
    void edit_refused(const QSqlError& error);
    // Makes `row`, held to the table, the current record, and the grid's current row.
    void place(int row);
    [[noreturn]] void fail(const std::string& reason) const;

    std::string path_;
    std::string table_;
    QString connection_;
    std::unique_ptr<StepTableModel> model_;
    int row_ = -1;
    QString error_;
    platform::Reporter* reporter_ = nullptr;
};

} // namespace kelvo::qt
