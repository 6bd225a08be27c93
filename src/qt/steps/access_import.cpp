// qt/steps/: an old Access step table read as steps and written as our SQLite table.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt/steps/access_import.h"
#include "base/texts.h"
#include "posix/file_swap.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QString>
#include <QVariant>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string_view>

namespace kelvo::qt {

namespace {

namespace fs = std::filesystem;

const std::array<std::string_view, 4> kStepFields{"ID", "U（V）", "A（A）", "T（S）"};

// Beyond 2^53 a double no longer holds every whole number.
constexpr double kLargestExactWhole = 9007199254740992.0;

bool same_ascii_name(std::string_view a, std::string_view b) {
    const auto lower = [](char c) {
        return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    };
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [&](char x, char y) { return lower(x) == lower(y); });
}

std::optional<std::vector<std::int64_t>> rising_ids(const access::Table& table) {
    if (table.columns.front().kind != access::ColumnKind::Number) {
        return std::nullopt;
    }
    std::vector<std::int64_t> ids;
    ids.reserve(table.rows.size());
    for (const auto& row : table.rows) {
        const auto* number = std::get_if<double>(&row.front());
        if (number == nullptr || *number != std::floor(*number) ||
            std::fabs(*number) > kLargestExactWhole) {
            return std::nullopt;
        }
        const auto id = static_cast<std::int64_t>(*number);
        if (!ids.empty() && id <= ids.back()) {
            return std::nullopt;
        }
        ids.push_back(id);
    }
    return ids;
}

QString sql_name(std::string_view name) {
    QString text = QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
    text.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + text + QLatin1Char('"');
}

QVariant to_variant(const platform::FieldValue& value) {
    if (const auto* number = std::get_if<double>(&value)) {
        return *number;
    }
    if (const auto* text = std::get_if<std::string>(&value)) {
        return QString::fromStdString(*text);
    }
    return QVariant(QMetaType::fromType<double>());
}

// What went wrong, with SQLite's words for it.
std::string failed(const std::string& what, const QSqlError& error) {
    return texts::fill(texts::kReasonWithDetail.en, {what, error.text().toStdString()});
}

// The id, volts, amperes and seconds, and the fifth field when the source has one.
QString step_table_fields(const StepRecords& records) {
    QString fields =
        QStringLiteral("%1 INTEGER PRIMARY KEY AUTOINCREMENT").arg(sql_name(kStepFields[0]));
    for (std::size_t i = 1; i < kStepFields.size(); ++i) {
        fields += QStringLiteral(", %1 REAL").arg(sql_name(kStepFields.at(i)));
    }
    if (records.fifth_field) {
        fields += QStringLiteral(", %1 %2").arg(sql_name(*records.fifth_field),
                                                records.fifth_is_number ? QStringLiteral("REAL")
                                                                        : QStringLiteral("TEXT"));
    }
    return fields;
}

// A place for the id and one for each value of a row.
QString value_marks(const StepRecords& records) {
    const int value_count = records.fifth_field ? 4 : 3;
    QString marks = QStringLiteral("?");
    for (int i = 0; i < value_count; ++i) {
        marks += QStringLiteral(", ?");
    }
    return marks;
}

// Makes the table and writes its rows in one transaction; empty, or why it failed.
std::string create_and_fill(QSqlDatabase& database, QSqlQuery& query, const QString& table,
                            const StepRecords& records) {
    if (!query.exec(
            QStringLiteral("CREATE TABLE %1 (%2)").arg(table, step_table_fields(records)))) {
        return failed(texts::kImportTableNotMade.en, query.lastError());
    }
    if (!database.transaction()) {
        return failed(texts::kImportNotWritten.en, database.lastError());
    }
    if (!query.prepare(
            QStringLiteral("INSERT INTO %1 VALUES (%2)").arg(table, value_marks(records)))) {
        return failed(texts::kImportNotWritten.en, query.lastError());
    }
    for (std::size_t row = 0; row < records.ids.size(); ++row) {
        query.bindValue(0, static_cast<qlonglong>(records.ids[row]));
        const auto& values = records.values[row];
        for (std::size_t i = 0; i < values.size(); ++i) {
            query.bindValue(static_cast<int>(i) + 1, to_variant(values[i]));
        }
        if (!query.exec()) {
            return failed(texts::fill(texts::kImportRowNotWritten.en, {std::to_string(row + 1)}),
                          query.lastError());
        }
    }
    if (!database.commit()) {
        return failed(texts::kImportNotWritten.en, database.lastError());
    }
    return {};
}

// Read back, the table must hold as many rows as were written.
bool holds_every_row(QSqlDatabase& database, const QString& table, const StepRecords& records) {
    QSqlQuery count(database);
    return count.exec(QStringLiteral("SELECT COUNT(*) FROM %1").arg(table)) && count.next() &&
           count.value(0).toLongLong() == static_cast<qlonglong>(records.ids.size());
}

// Writes the step table into the database file; empty, or why it failed.
std::string write_into(QSqlDatabase& database, const std::string& table,
                       const StepRecords& records) {
    if (!database.open()) {
        return failed(texts::kImportNotWritten.en, database.lastError());
    }
    QSqlQuery query(database);
    std::string failure = create_and_fill(database, query, sql_name(table), records);
    if (failure.empty() && !holds_every_row(database, sql_name(table), records)) {
        failure = texts::kImportRowsMissing.en;
    }
    query.finish();
    database.close();
    return failure;
}

} // namespace

void write_step_table(const std::string& path, const std::string& table,
                      const StepRecords& records) {
    const QString file = QString::fromStdString(path);
    const QString connection = QStringLiteral("kelvo-access-import:") + file;
    std::string failure;
    {
        QSqlDatabase database = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        database.setDatabaseName(file);
        failure = write_into(database, table, records);
    }
    QSqlDatabase::removeDatabase(connection);
    if (!failure.empty()) {
        throw std::runtime_error(failure);
    }
}

StepRecords to_step_records(const access::Table& table) {
    const std::size_t fields = table.columns.size();
    if (fields < 4 || fields > 5) {
        throw access::AccessError(
            texts::fill(texts::kImportFieldCount.en, {table.name, std::to_string(fields)}));
    }
    for (const access::Column& column : table.columns) {
        if (column.kind == access::ColumnKind::Binary) {
            throw access::AccessError(
                texts::fill(texts::kImportBinaryField.en, {column.name, table.name}));
        }
    }
    StepRecords records;
    if (auto ids = rising_ids(table)) {
        records.ids = std::move(*ids);
    } else {
        for (std::size_t row = 0; row < table.rows.size(); ++row) {
            records.ids.push_back(static_cast<std::int64_t>(row) + 1);
        }
    }
    records.values.reserve(table.rows.size());
    for (const auto& row : table.rows) {
        records.values.emplace_back(row.begin() + 1, row.end());
    }
    if (fields == 5) {
        std::string name = table.columns.back().name;
        const bool taken = name.empty() || std::any_of(kStepFields.begin(), kStepFields.end(),
                                                       [&](std::string_view step) {
                                                           return same_ascii_name(name, step);
                                                       });
        records.fifth_field = taken ? std::string("F5") : name;
        records.fifth_is_number = table.columns.back().kind == access::ColumnKind::Number;
    }
    return records;
}

std::string import_access_database(const std::string& path, const std::string& table,
                                   std::chrono::milliseconds time_limit) {
    const auto failure = [&path](const std::string& reason) {
        return platform::StartupError(texts::fill(texts::kImportFailed.en, {path, reason}));
    };
    // Work on the file itself, not on a link to it.
    std::error_code error;
    const fs::path target = fs::canonical(path, error);
    if (error) {
        throw failure(texts::fill(texts::kFileNotFound.en, {error.message()}));
    }

    access::Table source;
    StepRecords records;
    try {
        source = access::read_table(target.string(), table, time_limit);
        records = to_step_records(source);
    } catch (const access::AccessError& reason) {
        throw failure(reason.what());
    }

    try {
        posix::TemporaryFile temporary(target);
        write_step_table(temporary.path(), table, records);
        posix::sync_path(temporary.path(), 0);
        const fs::path backup = posix::keep_original(target);
        if (::rename(temporary.path().c_str(), target.c_str()) != 0) {
            const int rename_error = errno;
            ::unlink(backup.c_str());
            throw std::runtime_error(
                texts::fill(texts::kImportNoPlace.en, {posix::system_reason(rename_error)}));
        }
        temporary.release();
        posix::sync_path(target.parent_path().string(), O_DIRECTORY);

        return texts::fill(texts::kImportConverted.en,
                           {source.format, source.name, target.string(),
                            std::to_string(records.ids.size()), backup.string()});
    } catch (const std::runtime_error& reason) {
        throw failure(reason.what());
    }
}

} // namespace kelvo::qt
