// qt/steps/: the step table's SQLite file: failure reasons, lock holders, the read lock.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt/steps/step_file.h"

#include "posix/descriptors.h"
#include "qt/application.h"

#include <QSqlQuery>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string_view>
#include <utility>

namespace kelvo::qt {

namespace {

// SQLite's result codes, the primary one in the low byte of an extended code.
constexpr int kSqliteBusy = 5;
constexpr int kSqliteLocked = 6;
constexpr int kSqliteReadOnly = 8;
constexpr int kSqliteIoError = 10;
constexpr int kSqliteFull = 13;

// SQLite's POSIX record locks on a database file: the pending byte at 1 GiB, the reserved
// byte after it, then 510 bytes for readers.
constexpr off_t kLockBytesStart = 0x40000000;
constexpr off_t kLockBytesLength = 512;

// The program holding SQLite's lock on the file, as "NAME, process PID"; empty when the
// system does not tell.
QString lock_holder(const std::string& path) {
    struct stat file {};
    if (::stat(path.c_str(), &file) != 0) {
        return {};
    }
    // Closing any descriptor of the file drops every POSIX lock this process holds on it,
    // SQLite's own included: ask through a descriptor SQLite keeps open, and open one only
    // when there is none (and so no lock to lose).
    int descriptor = -1;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd", error)) {
        const std::string name = entry.path().filename().string();
        int number = -1;
        std::from_chars(name.data(), name.data() + name.size(), number);
        struct stat opened {};
        if (number >= 0 && ::fstat(number, &opened) == 0 && opened.st_dev == file.st_dev &&
            opened.st_ino == file.st_ino) {
            descriptor = number;
            break;
        }
    }
    const bool own = descriptor < 0;
    if (own) {
        descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    }
    struct flock probe {};
    probe.l_type = F_WRLCK;
    probe.l_whence = SEEK_SET;
    probe.l_start = kLockBytesStart;
    probe.l_len = kLockBytesLength;
    const bool asked = descriptor >= 0 && ::fcntl(descriptor, F_GETLK, &probe) == 0;
    if (own && descriptor >= 0) {
        ::close(descriptor);
    }
    if (!asked || probe.l_type == F_UNLCK || probe.l_pid <= 0) {
        return {};
    }
    std::string name;
    std::getline(std::ifstream("/proc/" + std::to_string(probe.l_pid) + "/comm"), name);
    return name.empty() ? qtext(texts::kLockProcess).arg(probe.l_pid)
                        : qtext(texts::kLockNamedProcess).arg(qstr(name)).arg(probe.l_pid);
}

// SQLite reports some writes into a full disk (a flush, a file growing in advance) as I/O
// errors: the free space tells them apart.
bool disk_full(const std::string& path) {
    struct statvfs disk {};
    const std::string folder = std::filesystem::path(path).parent_path().string();
    return ::statvfs(folder.empty() ? "." : folder.c_str(), &disk) == 0 &&
           static_cast<unsigned long long>(disk.f_bavail) * disk.f_frsize < 64ULL * 1024;
}

} // namespace

std::string unreadable_reason(const std::string& path) {
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::file_status status = fs::status(path, error);
    if (!fs::exists(status)) {
        return texts::kFileMissing.en;
    }
    if (fs::is_directory(status)) {
        return texts::kIsFolder.en;
    }
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        return posix::system_reason(texts::kFileUnreadable, errno);
    }
    std::array<char, 32> head{};
    const std::size_t got = std::fread(head.data(), 1, head.size(), file);
    const bool failed = std::ferror(file) != 0;
    const int read_errno = errno;
    std::fclose(file);
    if (failed) {
        return posix::system_reason(texts::kFileUnreadable, read_errno);
    }
    const std::string_view bytes(head.data(), got);
    if (bytes.substr(0, 16) == std::string_view("SQLite format 3\0", 16)) {
        return {};
    }
    if (got == 0) {
        return texts::kFileEmpty.en;
    }
    return texts::kNotSqlite.en;
}

QString failure_reason(const QSqlError& error, const std::string& path) {
    switch (error.nativeErrorCode().toInt() & 0xff) {
    case kSqliteBusy:
    case kSqliteLocked: {
        const QString holder = lock_holder(path);
        return holder.isEmpty()
                   ? qtext(texts::kFileLocked)
                   : qtext(texts::kReasonWithDetail).arg(qtext(texts::kFileLocked), holder);
    }
    case kSqliteReadOnly:
        return qtext(texts::kFileReadOnly);
    case kSqliteFull:
        return qtext(texts::kDiskFull);
    case kSqliteIoError:
        if (disk_full(path)) {
            return qtext(texts::kDiskFull);
        }
        break;
    default:
        break;
    }
    return error.databaseText().isEmpty() ? error.text() : error.databaseText();
}

bool execute(QSqlDatabase& database, const QString& statement, QSqlError& error) {
    QSqlQuery query(database);
    if (query.exec(statement)) {
        return true;
    }
    error = query.lastError();
    return false;
}

ReadLock::ReadLock(const QSqlDatabase& database) : database_(database) {
    held_ = execute(database_, QStringLiteral("BEGIN"), error_);
    if (held_ &&
        !execute(database_, QStringLiteral("SELECT COUNT(*) FROM sqlite_master"), error_)) {
        release();
    }
}

void ReadLock::release() {
    if (held_) {
        QSqlError ignored;
        execute(database_, QStringLiteral("COMMIT"), ignored);
        held_ = false;
    }
}

} // namespace kelvo::qt
