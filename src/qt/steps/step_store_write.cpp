// qt/steps/: the step table's record set: steps from outside the grid written in one go.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt/application.h"
#include "qt/steps/step_file.h"
#include "qt/steps/step_store.h"

#include <QSqlDriver>
#include <QSqlRecord>
#include <QStringList>

#include <algorithm>

namespace kelvo::qt {

std::string QtRecordSet::write_steps(const std::vector<std::array<double, 3>>& steps,
                                     bool replace) {
    error_.clear();
    if (!steps_changeable()) {
        return texts::kStepsInUse.en;
    }
    QSqlDatabase database = model_->database();
    QSqlError error;
    bool done = execute(database, QStringLiteral("BEGIN"), error);
    if (done) {
        QSqlQuery query(database);
        if (!insert_steps(steps, replace, query)) {
            error = query.lastError();
            done = false;
        }
    }
    done = done && execute(database, QStringLiteral("COMMIT"), error);
    if (!done) {
        roll_back(error, database);
    }
    if (!done) {
        // Nothing of it reached the file; the grid reads the file again all the same.
        reread_soon();
        return utf8(error_);
    }
    reread();
    place(row_);
    return {};
}

bool QtRecordSet::insert_steps(const std::vector<std::array<double, 3>>& steps, bool replace,
                               QSqlQuery& query) {
    const QSqlDriver* driver = model_->database().driver();
    const QSqlRecord fields = model_->record();
    const QString table = driver->escapeIdentifier(model_->tableName(), QSqlDriver::TableName);
    QStringList names;
    QStringList places;
    for (int field = 0; field <= std::min(kGridFields, fields.count() - 1); ++field) {
        names << driver->escapeIdentifier(fields.fieldName(field), QSqlDriver::FieldName);
        places << QStringLiteral("?");
    }
    if (replace && !query.exec(QStringLiteral("DELETE FROM %1").arg(table))) {
        return false;
    }
    // Ids go on from the largest, as for a step added in the grid: a table without an
    // INTEGER PRIMARY KEY hands out none itself.
    if (!query.exec(
            QStringLiteral("SELECT IFNULL(MAX(%2), 0) FROM %1").arg(table, names.front())) ||
        !query.next()) {
        return false;
    }
    qlonglong id = query.value(0).toLongLong();
    query.finish();
    if (!query.prepare(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                           .arg(table, names.join(u','), places.join(u',')))) {
        return false;
    }
    for (const auto& step : steps) {
        query.addBindValue(++id);
        for (int field = 1; field < names.size(); ++field) {
            query.addBindValue(step.at(static_cast<std::size_t>(field - 1)));
        }
        if (!query.exec()) {
            return false;
        }
    }
    return true;
}

} // namespace kelvo::qt
