#include "platform/qt/access_import.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QString>
#include <QVariant>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iostream>
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

std::string system_reason(int error) {
    return std::strerror(error);
}

// The conversion's file until it is renamed into place; gone again on any failure.
class TemporaryFile {
public:
    explicit TemporaryFile(const fs::path& beside) {
        std::string name = beside.string() + ".converting-XXXXXX";
        const int fd = ::mkstemp(name.data());
        if (fd < 0) {
            throw std::runtime_error("no file can be made in its folder (" + system_reason(errno) +
                                     ")");
        }
        path_ = name;
        // The converted file keeps the access rights of the one it replaces.
        struct stat original {};
        if (::stat(beside.c_str(), &original) == 0) {
            ::fchmod(fd, original.st_mode & 07777);
        }
        ::close(fd);
    }
    ~TemporaryFile() {
        if (!path_.empty()) {
            std::error_code ignored;
            fs::remove(path_, ignored);
            fs::remove(path_ + "-journal", ignored);
        }
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;
    const std::string& path() const { return path_; }
    void release() { path_.clear(); }

private:
    std::string path_;
};

} // namespace

void write_step_table(const std::string& path, const std::string& table,
                      const StepRecords& records) {
    const QString file = QString::fromStdString(path);
    const QString connection = QStringLiteral("kelvo-access-import:") + file;
    std::string failure;
    {
        QSqlDatabase database = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        database.setDatabaseName(file);
        const auto fail = [&failure](const std::string& what, const QSqlError& error) {
            failure = what + " (" + error.text().toStdString() + ")";
        };
        if (!database.open()) {
            fail("the conversion cannot be written", database.lastError());
        } else {
            QString fields = QStringLiteral("%1 INTEGER PRIMARY KEY AUTOINCREMENT")
                                 .arg(sql_name(kStepFields[0]));
            for (std::size_t i = 1; i < kStepFields.size(); ++i) {
                fields += QStringLiteral(", %1 REAL").arg(sql_name(kStepFields.at(i)));
            }
            if (records.fifth_field) {
                fields += QStringLiteral(", %1 %2").arg(
                    sql_name(*records.fifth_field),
                    records.fifth_is_number ? QStringLiteral("REAL") : QStringLiteral("TEXT"));
            }
            const int value_count = records.fifth_field ? 4 : 3;
            QString marks = QStringLiteral("?");
            for (int i = 0; i < value_count; ++i) {
                marks += QStringLiteral(", ?");
            }

            QSqlQuery query(database);
            if (!query.exec(QStringLiteral("CREATE TABLE %1 (%2)").arg(sql_name(table), fields))) {
                fail("the step table cannot be made", query.lastError());
            } else if (!database.transaction()) {
                fail("the conversion cannot be written", database.lastError());
            } else if (!query.prepare(QStringLiteral("INSERT INTO %1 VALUES (%2)")
                                          .arg(sql_name(table), marks))) {
                fail("the conversion cannot be written", query.lastError());
            } else {
                for (std::size_t row = 0; row < records.ids.size() && failure.empty(); ++row) {
                    query.bindValue(0, static_cast<qlonglong>(records.ids[row]));
                    const auto& values = records.values[row];
                    for (std::size_t i = 0; i < values.size(); ++i) {
                        query.bindValue(static_cast<int>(i) + 1, to_variant(values[i]));
                    }
                    if (!query.exec()) {
                        fail("row " + std::to_string(row + 1) + " cannot be written",
                             query.lastError());
                    }
                }
                if (failure.empty() && !database.commit()) {
                    fail("the conversion cannot be written", database.lastError());
                }
            }
            if (failure.empty()) {
                QSqlQuery count(database);
                if (!count.exec(QStringLiteral("SELECT COUNT(*) FROM %1").arg(sql_name(table))) ||
                    !count.next() ||
                    count.value(0).toLongLong() != static_cast<qlonglong>(records.ids.size())) {
                    failure = "the written step table does not hold every row";
                }
            }
            query.finish();
            database.close();
        }
    }
    QSqlDatabase::removeDatabase(connection);
    if (!failure.empty()) {
        throw std::runtime_error(failure);
    }
}

namespace {

void sync_path(const std::string& path, int flags) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | flags);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// Copies when the file system has no hard links; never over an existing file.
int copy_exclusive(const fs::path& from, const fs::path& to) {
    const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) {
        return errno;
    }
    struct stat status {};
    ::fstat(in, &status);
    const int out =
        ::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, status.st_mode & 07777);
    if (out < 0) {
        const int error = errno;
        ::close(in);
        return error;
    }
    std::array<char, 65536> chunk{};
    int error = 0;
    for (;;) {
        const ssize_t got = ::read(in, chunk.data(), chunk.size());
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            error = errno;
            break;
        }
        if (got == 0) {
            break;
        }
        ssize_t done = 0;
        while (done < got) {
            const ssize_t put =
                ::write(out, chunk.data() + done, static_cast<std::size_t>(got - done));
            if (put < 0 && errno == EINTR) {
                continue;
            }
            if (put < 0) {
                error = errno;
                break;
            }
            done += put;
        }
        if (error != 0) {
            break;
        }
    }
    if (error == 0 && ::fsync(out) != 0) {
        error = errno;
    }
    ::close(out);
    ::close(in);
    if (error != 0) {
        ::unlink(to.c_str());
        return error == EEXIST ? EIO : error;
    }
    return 0;
}

// db1.mdb -> db1.access-backup.mdb, or db1.access-backup-2.mdb when that is taken, ...
fs::path keep_original(const fs::path& original) {
    const std::string stem = original.stem().string();
    const std::string extension = original.extension().string();
    for (int number = 1; number < 10000; ++number) {
        const std::string suffix = number == 1 ? "" : "-" + std::to_string(number);
        const fs::path backup =
            original.parent_path() / (stem + ".access-backup" + suffix + extension);
        if (::link(original.c_str(), backup.c_str()) == 0) {
            return backup;
        }
        if (errno == EEXIST) {
            continue;
        }
        const int error = copy_exclusive(original, backup);
        if (error == 0) {
            return backup;
        }
        if (error != EEXIST) {
            throw std::runtime_error("the original cannot be kept as " + backup.string() + " (" +
                                     system_reason(error) + ")");
        }
    }
    throw std::runtime_error("every name for keeping the original is taken");
}

} // namespace

StepRecords to_step_records(const access::Table& table) {
    const std::size_t fields = table.columns.size();
    if (fields < 4 || fields > 5) {
        throw access::AccessError("table " + table.name + " has " + std::to_string(fields) +
                                  " fields; a step table has 4 (id, volts, amperes, seconds) "
                                  "or 5");
    }
    for (const access::Column& column : table.columns) {
        if (column.kind == access::ColumnKind::Binary) {
            throw access::AccessError("field " + column.name + " of table " + table.name +
                                      " holds pictures or other binary data");
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
        return platform::StartupError("cannot convert the Access step table " + path + ": " +
                                      reason);
    };
    // Work on the file itself, not on a link to it.
    std::error_code error;
    const fs::path target = fs::canonical(path, error);
    if (error) {
        throw failure("the file cannot be found (" + error.message() + ")");
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
        TemporaryFile temporary(target);
        write_step_table(temporary.path(), table, records);
        sync_path(temporary.path(), 0);
        const fs::path backup = keep_original(target);
        if (::rename(temporary.path().c_str(), target.c_str()) != 0) {
            const int rename_error = errno;
            ::unlink(backup.c_str());
            throw std::runtime_error("the conversion cannot take its place (" +
                                     system_reason(rename_error) + ")");
        }
        temporary.release();
        sync_path(target.parent_path().string(), O_DIRECTORY);

        const std::string line =
            "kelvo: converted the Access (" + source.format + ") table " + source.name + " of " +
            target.string() + ", " + std::to_string(records.ids.size()) +
            " rows, into an SQLite step table; the original is kept as " + backup.string();
        std::cerr << line << std::endl;
        return line;
    } catch (const std::runtime_error& reason) {
        throw failure(reason.what());
    }
}

} // namespace kelvo::qt
