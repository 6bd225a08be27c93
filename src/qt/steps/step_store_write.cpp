// qt/steps/: the step table's record set: steps from outside the grid written in one go, and
// the fields of the steps' end conditions added to the table.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "program/step_table.h"
#include "qt/application.h"
#include "qt/steps/step_file.h"
#include "qt/steps/step_store.h"

#include <QSqlDriver>
#include <QSqlRecord>
#include <QStringList>

#include <algorithm>

namespace kelvo::qt {

namespace {

// The declared types of the condition's fields, in the order of kConditionFieldNames.
constexpr std::array<const char*, 5> kConditionFieldTypes{"TEXT", "REAL", "INTEGER", "INTEGER",
                                                          "TEXT"};

bool has_condition(const platform::StepRow& step) {
    return std::any_of(step.condition.begin(), step.condition.end(),
                       [](const platform::FieldValue& cell) { return cell.index() != 0; });
}

QVariant cell_value(const platform::FieldValue& cell) {
    if (const double* number = std::get_if<double>(&cell)) {
        return *number;
    }
    if (const std::string* text = std::get_if<std::string>(&cell)) {
        return qstr(*text);
    }
    return QVariant(QMetaType::fromType<QString>());
}

// The fields a written step fills: the id and the described ones, then the condition's cells
// where the table has their fields or where they are added.
struct InsertedFields {
    QStringList names;
    int described = 0;              // the id and the described fields among the names
    std::vector<std::size_t> cells; // the condition's cells of the names after those
};

InsertedFields inserted_fields(const QSqlDriver& driver, const QSqlRecord& fields,
                               const std::array<int, 5>& positions, bool add_fields) {
    InsertedFields inserted;
    for (int field = 0; field <= std::min(kGridFields, fields.count() - 1); ++field) {
        inserted.names << driver.escapeIdentifier(fields.fieldName(field), QSqlDriver::FieldName);
    }
    inserted.described = static_cast<int>(inserted.names.size());
    for (std::size_t cell = 0; cell < positions.size(); ++cell) {
        if (positions.at(cell) >= 0 || add_fields) {
            inserted.names << driver.escapeIdentifier(
                positions.at(cell) >= 0
                    ? fields.fieldName(positions.at(cell))
                    : QString::fromLatin1(platform::kConditionFieldNames.at(cell)),
                QSqlDriver::FieldName);
            inserted.cells.push_back(cell);
        }
    }
    return inserted;
}

} // namespace

bool QtRecordSet::has_condition_fields() const {
    const std::array<int, 5> positions = condition_fields(*this);
    return std::none_of(positions.begin(), positions.end(), [](int at) { return at < 0; });
}

std::string QtRecordSet::add_condition_fields() {
    error_.clear();
    if (!steps_changeable()) {
        return texts::kStepsInUse.en;
    }
    if (has_condition_fields()) {
        return {};
    }
    return change([this](QSqlQuery& query) { return alter_table(query); }, true);
}

std::string QtRecordSet::write_steps(const std::vector<platform::StepRow>& steps, bool replace) {
    error_.clear();
    if (!steps_changeable()) {
        return texts::kStepsInUse.en;
    }
    const bool add_fields =
        !has_condition_fields() && std::any_of(steps.begin(), steps.end(), has_condition);
    return change([&](QSqlQuery& query) { return insert_steps(steps, replace, add_fields, query); },
                  add_fields);
}

std::string QtRecordSet::change(const std::function<bool(QSqlQuery&)>& statements,
                                bool adds_fields) {
    QSqlDatabase database = model_->database();
    QSqlError error;
    bool done = execute(database, QStringLiteral("BEGIN"), error);
    if (done) {
        QSqlQuery query(database);
        if (!statements(query)) {
            error = query.lastError();
            done = false;
        }
    }
    done = done && execute(database, QStringLiteral("COMMIT"), error);
    if (!done) {
        roll_back(error, database);
        // Nothing of it reached the file; the grid reads the file again all the same.
        reread_soon();
        return utf8(error_);
    }
    if (adds_fields) {
        // The model knows the fields it was given; the table has more now.
        model_->setTable(model_->tableName());
    }
    reread();
    if (adds_fields && on_reload) {
        on_reload();
    }
    place(row_);
    return {};
}

bool QtRecordSet::alter_table(QSqlQuery& query) {
    const QSqlDriver* driver = model_->database().driver();
    const QString table = driver->escapeIdentifier(model_->tableName(), QSqlDriver::TableName);
    const std::array<int, 5> positions = condition_fields(*this);
    for (std::size_t cell = 0; cell < positions.size(); ++cell) {
        if (positions.at(cell) >= 0) {
            continue;
        }
        const QString name = driver->escapeIdentifier(
            QString::fromLatin1(platform::kConditionFieldNames.at(cell)), QSqlDriver::FieldName);
        if (!query.exec(
                QStringLiteral("ALTER TABLE %1 ADD COLUMN %2 %3")
                    .arg(table, name, QString::fromLatin1(kConditionFieldTypes.at(cell))))) {
            return false;
        }
    }
    return true;
}

bool QtRecordSet::insert_steps(const std::vector<platform::StepRow>& steps, bool replace,
                               bool add_fields, QSqlQuery& query) {
    const QSqlDriver* driver = model_->database().driver();
    const QString table = driver->escapeIdentifier(model_->tableName(), QSqlDriver::TableName);
    const InsertedFields inserted =
        inserted_fields(*driver, model_->record(), condition_fields(*this), add_fields);
    const QStringList& names = inserted.names;
    if ((add_fields && !alter_table(query)) ||
        (replace && !query.exec(QStringLiteral("DELETE FROM %1").arg(table)))) {
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
    const QStringList places(static_cast<int>(names.size()), QStringLiteral("?"));
    if (!query.prepare(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                           .arg(table, names.join(u','), places.join(u',')))) {
        return false;
    }
    for (const auto& step : steps) {
        query.addBindValue(++id);
        for (int field = 1; field < inserted.described; ++field) {
            query.addBindValue(step.values.at(static_cast<std::size_t>(field - 1)));
        }
        for (const std::size_t cell : inserted.cells) {
            query.addBindValue(cell_value(step.condition.at(cell)));
        }
        if (!query.exec()) {
            return false;
        }
    }
    return true;
}

} // namespace kelvo::qt
