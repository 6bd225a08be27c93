// qt/steps/: the step table's record set: opening, reading, adding and deleting steps.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt/steps/step_store.h"
#include "access/mdb_reader.h"
#include "posix/own_folder.h"
#include "qt/application.h"
#include "qt/steps/access_import.h"
#include "qt/steps/step_file.h"

#include <QSqlDriver>
#include <QSqlIndex>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStringList>
#include <QTimer>

#include <algorithm>
#include <filesystem>
#include <utility>

namespace kelvo::qt {

namespace {

// NULL whatever defaults the table declares: a new step is empty until the user fills it.
QString empty_step_insert(const QSqlDriver& driver, const QSqlRecord& fields,
                          const QString& table) {
    QStringList names;
    QStringList nulls;
    for (int field = 1; field <= std::min(kGridFields, fields.count() - 1); ++field) {
        names << driver.escapeIdentifier(fields.fieldName(field), QSqlDriver::FieldName);
        nulls << QStringLiteral("NULL");
    }
    return names.isEmpty() ? QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(table)
                           : QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                                 .arg(table, names.join(u','), nulls.join(u','));
}

} // namespace

QtRecordSet::QtRecordSet()
    : connection_(QStringLiteral("kelvo-steps-%1").arg(reinterpret_cast<quintptr>(this))) {}

QtRecordSet::~QtRecordSet() {
    model_.reset();
    if (QSqlDatabase::contains(connection_)) {
        QSqlDatabase::database(connection_, false).close();
        QSqlDatabase::removeDatabase(connection_);
    }
}

void QtRecordSet::fail(const std::string& reason) const {
    throw platform::StartupError(texts::fill(texts::kStepTableFailed.en, {path_, reason}));
}

void QtRecordSet::refresh() {
    // Nothing is opened that would wait: a FIFO or a device planted under the name.
    if (const std::string reason = posix::unwaitable_refusal(path_); !reason.empty()) {
        std::error_code error;
        fail(std::filesystem::is_directory(path_, error) ? texts::kIsFolder.en : reason);
    }
    // A step table brought from an Access database is converted once, in place; the
    // original is kept beside it.
    if (access::is_jet_file(path_)) {
        const std::string converted = import_access_database(path_, table_);
        if (reporter_ != nullptr) {
            reporter_->report(platform::Severity::Note, converted, {});
        }
    }
    if (const std::string reason = unreadable_reason(path_); !reason.empty()) {
        fail(reason);
    }
    const int previous = row_;
    if (model_) {
        model_.reset();
        if (on_reload) {
            on_reload();
        }
    }
    row_ = -1;
    const QSqlDatabase database = open_database();
    {
        // Without the lock, a locked file would read as one without tables.
        const ReadLock lock(database);
        if (lock.error().isValid()) {
            fail(utf8(failure_reason(lock.error(), path_)));
        }
        model_ = read_table(database);
        fetch_all();
    }
    row_ = record_count() > 0 ? std::clamp(previous, 0, record_count() - 1) : -1;
    if (on_reload) {
        on_reload();
    }
}

QSqlDatabase QtRecordSet::open_database() const {
    QSqlDatabase database = QSqlDatabase::contains(connection_)
                                ? QSqlDatabase::database(connection_, false)
                                : QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection_);
    database.close();
    database.setDatabaseName(qstr(path_));
    database.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(kBusyTimeoutMs));
    if (!database.open()) {
        fail(texts::fill(texts::kDatabaseUnopened.en, {utf8(database.lastError().text())}));
    }
    return database;
}

std::unique_ptr<StepTableModel> QtRecordSet::read_table(const QSqlDatabase& database) {
    QString table;
    for (const QString& name : database.tables()) {
        if (name.compare(qstr(table_), Qt::CaseInsensitive) == 0) {
            table = name;
        }
    }
    if (table.isEmpty()) {
        fail(texts::fill(texts::kNoTable.en, {table_}));
    }
    auto model = std::make_unique<StepTableModel>(nullptr, database);
    model->setTable(table);
    model->setEditStrategy(QSqlTableModel::OnFieldChange);
    if (!model->select()) {
        fail(texts::fill(texts::kTableUnreadable.en,
                         {table_, utf8(failure_reason(model->lastError(), path_))}));
    }
    // An edit makes the model read the table again; it must always be whole.
    QObject::connect(model.get(), &QAbstractItemModel::modelReset, model.get(),
                     [this] { fetch_all(); });
    model->on_write_failed = [this](const QSqlError& error) { edit_refused(error); };
    return model;
}

void QtRecordSet::fetch_all() const {
    if (!model_) {
        return;
    }
    while (model_->canFetchMore()) {
        model_->fetchMore();
    }
}

int QtRecordSet::record_count() const {
    if (!model_) {
        return 0;
    }
    fetch_all();
    return model_->rowCount();
}

int QtRecordSet::field_count() const {
    return model_ ? model_->record().count() : 0;
}

void QtRecordSet::set_current_row(int row) {
    if (row == row_) {
        return;
    }
    row_ = row;
    if (on_move) {
        on_move(row_);
    }
}

void QtRecordSet::move_first() {
    row_ = record_count() > 0 ? 0 : -1;
    if (on_move) {
        on_move(row_);
    }
}

void QtRecordSet::move_next() {
    if (row_ < record_count()) {
        ++row_;
    }
    if (on_move) {
        on_move(row_);
    }
}

bool QtRecordSet::steps_changeable() const {
    return model_ && !model_->any_locked();
}

bool QtRecordSet::add_record() {
    error_.clear();
    if (!steps_changeable()) {
        return false;
    }
    const std::optional<QVariant> new_id = insert_empty_step();
    if (!new_id) {
        reread_soon();
        return false;
    }
    reread();
    // Where SQLite puts a new row: last, unless the table is read in some other order.
    int row = record_count() - 1;
    while (row > 0 && model_->record(row).value(0) != *new_id) {
        --row;
    }
    place(model_->record(row).value(0) == *new_id ? row : record_count() - 1);
    return true;
}

std::optional<QVariant> QtRecordSet::insert_empty_step() {
    QSqlDatabase database = model_->database();
    const QSqlDriver* driver = database.driver();
    const QSqlRecord fields = model_->record();
    const QString table = driver->escapeIdentifier(model_->tableName(), QSqlDriver::TableName);
    const QString id = driver->escapeIdentifier(fields.fieldName(0), QSqlDriver::FieldName);
    QSqlQuery query(database);
    const auto run = [&query](const QString& statement, const QVariant& rowid) {
        if (!query.prepare(statement)) {
            return false;
        }
        if (rowid.isValid()) {
            query.addBindValue(rowid);
        }
        return query.exec();
    };
    QSqlError error;
    bool done = execute(database, QStringLiteral("BEGIN"), error);
    QVariant new_id;
    if (done && run(empty_step_insert(*driver, fields, table), {})) {
        const QVariant rowid = query.lastInsertId();
        // An id SQLite does not hand out itself (no INTEGER PRIMARY KEY) is one past the
        // largest.
        done = run(QStringLiteral("UPDATE %1 SET %2 = (SELECT IFNULL(MAX(%2), 0) + 1 FROM %1) "
                                  "WHERE rowid = ? AND %2 IS NULL")
                       .arg(table, id),
                   rowid) &&
               run(QStringLiteral("SELECT %2 FROM %1 WHERE rowid = ?").arg(table, id), rowid);
        if (done && query.next()) {
            new_id = query.value(0);
        }
        query.finish();
        done = done && execute(database, QStringLiteral("COMMIT"), error);
    } else {
        done = false;
    }
    if (!done) {
        roll_back(error.isValid() ? error : query.lastError(), database);
        return std::nullopt;
    }
    return new_id;
}

QVariantList QtRecordSet::row_ids(int first, int count) const {
    QVariantList ids;
    for (int row = std::max(first, 0); row < first + count && row < record_count(); ++row) {
        ids << model_->record(row).value(0);
    }
    return ids;
}

bool QtRecordSet::delete_records(int first, int count) {
    error_.clear();
    if (!steps_changeable() || first < 0 || count <= 0 || first + count > record_count()) {
        return false;
    }
    QSqlDatabase database = model_->database();
    const QSqlDriver* driver = database.driver();
    const QString table = model_->tableName();
    const QString remove = driver->sqlStatement(QSqlDriver::DeleteStatement, table, {}, false);
    QSqlError error;
    bool done = execute(database, QStringLiteral("BEGIN"), error);
    {
        QSqlQuery query(database);
        for (int row = first; row < first + count && done; ++row) {
            // The same statement the model would make, so a table without a primary key
            // works too.
            const QSqlRecord key = model_->key_of(row);
            done = query.prepare(
                remove + u' ' + driver->sqlStatement(QSqlDriver::WhereStatement, table, key, true));
            for (int field = 0; field < key.count() && done; ++field) {
                if (key.isGenerated(field) && !key.isNull(field)) {
                    query.addBindValue(key.value(field));
                }
            }
            done = done && query.exec();
        }
        if (done) {
            done = execute(database, QStringLiteral("COMMIT"), error);
        }
        if (!done) {
            roll_back(error.isValid() ? error : query.lastError(), database);
        }
    }
    if (!done) {
        reread_soon();
        return false;
    }
    reread();
    place(row_);
    return true;
}

void QtRecordSet::roll_back(const QSqlError& error, QSqlDatabase& database) {
    error_ = failure_reason(error, path_);
    database.rollback();
}

bool QtRecordSet::reread() {
    const ReadLock lock(model_->database());
    const bool read = !lock.error().isValid() && model_->select();
    if (!read && error_.isEmpty()) {
        error_ = failure_reason(lock.error().isValid() ? lock.error() : model_->lastError(), path_);
    }
    fetch_all();
    return read;
}

void QtRecordSet::reread_soon(std::function<void()> then) {
    // Not straight after the wait that refused a change, as reading may have to wait as long:
    // the window's thread takes its other work in between.
    QTimer::singleShot(1, model_.get(), [this, then = std::move(then)] {
        reread();
        place(row_);
        if (then) {
            then();
        }
    });
}

void QtRecordSet::edit_refused(const QSqlError& error) {
    // While the lock that refused the edit is still held, so that its holder can be named.
    const QString reason = failure_reason(error, path_);
    // Reported from outside the edit: the grid is still closing the cell editor.
    reread_soon([this, reason] {
        if (on_refused) {
            on_refused(reason);
        }
    });
}

void QtRecordSet::place(int row) {
    const int count = record_count();
    row_ = count > 0 ? std::clamp(row, 0, count - 1) : -1;
    // The reset took the grid's current cell away: put it back even if the row is the same.
    if (on_move) {
        on_move(row_);
    }
}

std::string QtRecordSet::field_name(int position) const {
    if (!model_ || position < 0 || position >= field_count()) {
        return {};
    }
    return utf8(model_->record().fieldName(position));
}

platform::FieldValue QtRecordSet::field(int position) const {
    if (!model_ || row_ < 0 || row_ >= record_count() || position < 0 ||
        position >= field_count()) {
        return std::monostate{};
    }
    const QVariant value = model_->record(row_).value(position);
    if (value.isNull()) {
        return std::monostate{};
    }
    if (is_number(value)) {
        return value.toDouble();
    }
    const QString text = value.toString();
    if (text.isEmpty()) {
        return std::monostate{};
    }
    return utf8(text);
}

} // namespace kelvo::qt
