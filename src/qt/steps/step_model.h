// qt/steps/: the step table's model, an SQLite table read and written through
// QSqlTableModel: an edit is in the file at once, and columns can be locked.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlRecord>
#include <QSqlTableModel>
#include <QVariant>

#include <functional>
#include <set>

namespace kelvo::qt {

constexpr int kGridFields = 3; // fields 1..3 are the grid's columns 0..2

// Whether the file holds the value as a number rather than as text.
bool is_number(const QVariant& value);

// The step table's model: the grid's columns are fields 1..3 and the condition's, and any
// field can be locked. An edit
// the file refuses does not stay behind in the model: the cell shows the file's value again
// at once, and on_write_failed hears why.
class StepTableModel final : public QSqlTableModel {
public:
    StepTableModel(QObject* parent, const QSqlDatabase& database);
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    void set_locked(int field, bool locked);
    bool any_locked() const;
    // What identifies a row in the file: its primary key, or all its fields.
    QSqlRecord key_of(int row) const { return primaryValues(row); }
    std::function<void(const QSqlError&)> on_write_failed;

private:
    std::set<int> locked_;
};

} // namespace kelvo::qt
