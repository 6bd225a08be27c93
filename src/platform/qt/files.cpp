// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/qt/files.h"

#include <QStandardPaths>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kelvo::qt {

namespace {

constexpr const char* kJournalSuffix = ".journal";

std::string reason_of(int error) {
    return std::strerror(error);
}

std::string folder_of(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string(".")
                                      : (slash == 0 ? std::string("/") : path.substr(0, slash));
}

// Everything or the reason.
std::string write_all(int fd, const std::string& bytes) {
    std::size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return reason_of(errno);
        }
        written += static_cast<std::size_t>(n);
    }
    return {};
}

// A whole file written and on the disk under `path`, opened with `flags` besides these; the
// reason when not (a file opened but not written whole is left for the caller to remove).
std::string write_synced(const std::string& path, const std::string& bytes, int flags,
                         mode_t mode) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | flags, mode);
    if (fd < 0) {
        return reason_of(errno);
    }
    std::string reason = write_all(fd, bytes);
    if (reason.empty() && ::fdatasync(fd) != 0) {
        reason = reason_of(errno);
    }
    if (::close(fd) != 0 && reason.empty()) {
        reason = reason_of(errno);
    }
    return reason;
}

// A new name in a folder reaches the disk with the folder.
void sync_folder(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

bool ends_with(const std::string& text, const std::string& end) {
    return text.size() >= end.size() &&
           text.compare(text.size() - end.size(), end.size(), end) == 0;
}

} // namespace

StdFileSystem::StdFileSystem(std::string program_folder, std::string user_data_folder)
    : folder_(std::move(program_folder)), user_folder_(std::move(user_data_folder)) {
    while (folder_.size() > 1 && folder_.back() == '/') {
        folder_.pop_back();
    }
}

StdFileSystem::~StdFileSystem() {
    {
        const std::lock_guard<std::mutex> guard(lock_);
        stopping_ = true;
        // A period still running when the program goes stays on disk: the next start
        // makes a record of it.
        end_journal(true);
    }
    wake_.notify_all();
    if (syncer_.joinable()) {
        syncer_.join();
    }
}

bool StdFileSystem::folder_exists(const std::string& path) const {
    std::error_code error;
    return std::filesystem::is_directory(path, error);
}

bool StdFileSystem::file_exists(const std::string& path) const {
    std::error_code error;
    const auto status = std::filesystem::status(path, error);
    return std::filesystem::exists(status) && !std::filesystem::is_directory(status);
}

std::string StdFileSystem::create_folder(const std::string& path) {
    if (folder_exists(path)) {
        return reason_of(EEXIST);
    }
    std::error_code error;
    std::filesystem::create_directories(path, error);
    if (error) {
        return error.message();
    }
    return folder_exists(path) ? std::string() : reason_of(ENOTDIR);
}

std::string StdFileSystem::write_new_file(const std::string& path, const std::string& bytes) {
    // Written under a name of its own first and given its name only once it is whole and
    // on the disk: a full disk or a crash never leaves a short file that looks complete.
    const std::string partial = path + ".partial-" + std::to_string(::getpid());
    std::string reason = write_synced(partial, bytes, O_TRUNC, 0666);
    if (reason.empty()) {
        // Never over an existing record. Some file systems (FAT on a USB stick) have no
        // hard links; there the name is tested first.
        if (::link(partial.c_str(), path.c_str()) != 0) {
            const int error = errno;
            if (error == EPERM || error == EOPNOTSUPP || error == ENOSYS) {
                if (file_exists(path)) {
                    reason = reason_of(EEXIST);
                } else if (::rename(partial.c_str(), path.c_str()) != 0) {
                    reason = reason_of(errno);
                }
            } else {
                reason = reason_of(error);
            }
        }
    }
    ::unlink(partial.c_str());
    if (reason.empty()) {
        sync_folder(folder_of(path));
    }
    return reason;
}

std::string StdFileSystem::user_data_folder() const {
    if (!user_folder_.empty()) {
        return user_folder_;
    }
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation).toStdString();
}

std::string StdFileSystem::data_folder() const {
    return std::filesystem::path(folder_ + "/../share/kelvo").lexically_normal().string();
}

bool StdFileSystem::folder_writable(const std::string& path) const {
    return ::access(path.c_str(), W_OK | X_OK) == 0;
}

// ---- the journal ---------------------------------------------------------------------------

std::string StdFileSystem::open_journal(const std::string& folder) {
    const std::lock_guard<std::mutex> guard(lock_);
    end_journal(true);
    // Named from the moment it began, and the process, so that two programs never meet.
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
    const std::string path = folder + "/unfinished-" + stamp + "-" + std::to_string(::getpid()) +
                             "-" + std::to_string(++journals_opened_) + kJournalSuffix;
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_APPEND | O_CLOEXEC, 0666);
    if (fd < 0) {
        return reason_of(errno);
    }
    // Held while this program writes it: a second program starting meanwhile leaves it be.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        std::string reason = reason_of(errno);
        ::close(fd);
        ::unlink(path.c_str());
        return reason;
    }
    journal_fd_ = fd;
    journal_path_ = path;
    journal_folder_ = folder;
    folder_unsynced_ = true;
    unsynced_ = false;
    if (!syncer_.joinable()) {
        syncer_ = std::thread([this] { sync_loop(); });
    }
    return {};
}

std::string StdFileSystem::append_journal(const std::string& bytes) {
    const std::lock_guard<std::mutex> guard(lock_);
    if (journal_fd_ < 0) {
        return reason_of(EBADF);
    }
    // A line is a few dozen bytes: the write goes to the page cache at once. The trip to
    // the disk, which can take long on a busy one, is the syncing thread's.
    std::string reason = write_all(journal_fd_, bytes);
    unsynced_ = true;
    return reason;
}

void StdFileSystem::discard_journal() {
    const std::lock_guard<std::mutex> guard(lock_);
    end_journal(false);
}

void StdFileSystem::close_journal() {
    const std::lock_guard<std::mutex> guard(lock_);
    end_journal(true);
}

void StdFileSystem::end_journal(bool keep) {
    if (journal_fd_ < 0) {
        return;
    }
    // A kept journal reaches the disk with the system's own write-back: no wait here.
    if (!keep) {
        ::unlink(journal_path_.c_str());
    }
    ::close(journal_fd_);
    journal_fd_ = -1;
    journal_path_.clear();
    journal_folder_.clear();
    unsynced_ = false;
    folder_unsynced_ = false;
}

std::string StdFileSystem::journal_path() const {
    const std::lock_guard<std::mutex> guard(lock_);
    return journal_path_;
}

void StdFileSystem::set_sync_interval_ms(int milliseconds) {
    {
        const std::lock_guard<std::mutex> guard(lock_);
        sync_ms_ = std::clamp(milliseconds, 1, 10000);
    }
    wake_.notify_all();
}

void StdFileSystem::sync_loop() {
    std::unique_lock<std::mutex> guard(lock_);
    while (!stopping_) {
        wake_.wait_for(guard, std::chrono::milliseconds(sync_ms_));
        if (stopping_ || journal_fd_ < 0 || (!unsynced_ && !folder_unsynced_)) {
            continue;
        }
        // The sync itself runs unlocked, on a descriptor of its own: appends go on meanwhile.
        const int fd = ::dup(journal_fd_);
        const std::string folder = folder_unsynced_ ? journal_folder_ : std::string();
        unsynced_ = false;
        folder_unsynced_ = false;
        guard.unlock();
        if (fd >= 0) {
            ::fdatasync(fd);
            ::close(fd);
        }
        if (!folder.empty()) {
            sync_folder(folder);
        }
        guard.lock();
    }
}

std::vector<platform::FileSystem::Journal>
StdFileSystem::abandoned_journals(const std::string& folder) const {
    std::vector<Journal> found;
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) {
        return found;
    }
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (!ends_with(name, kJournalSuffix)) {
            continue;
        }
        const std::string path = folder + "/" + name;
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            continue;
        }
        struct stat info {};
        // A journal another program holds is its running period.
        const bool free = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
        if (free && ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
            std::tm local{};
            localtime_r(&info.st_mtime, &local);
            found.push_back({path,
                             {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                              local.tm_min, local.tm_sec}});
        }
        ::close(fd);
    }
    ::closedir(dir);
    std::sort(found.begin(), found.end(),
              [](const Journal& a, const Journal& b) { return a.path < b.path; });
    return found;
}

std::optional<std::string> StdFileSystem::read_file(const std::string& path,
                                                    std::size_t max_bytes) const {
    // Without waiting: a FIFO planted under the name would hold an open for reading until
    // a writer came. Anything but a regular file is refused before a byte is read.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return std::nullopt;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) ||
        static_cast<std::uintmax_t>(info.st_size) > max_bytes) {
        ::close(fd);
        return std::nullopt;
    }
    std::string bytes;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0 || bytes.size() + static_cast<std::size_t>(n) > max_bytes) {
            ::close(fd);
            return std::nullopt;
        }
        if (n == 0) {
            break;
        }
        bytes.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return bytes;
}

std::string StdFileSystem::replace_file(const std::string& path, const std::string& bytes) {
    // A new file of our own, made whole and synced, then renamed over the name: a link
    // planted there is replaced, never followed, and a crash leaves the old file or the new.
    const std::string partial = path + ".partial-" + std::to_string(::getpid());
    ::unlink(partial.c_str());
    std::string reason = write_synced(partial, bytes, O_EXCL | O_NOFOLLOW, 0644);
    if (reason.empty() && ::rename(partial.c_str(), path.c_str()) != 0) {
        reason = reason_of(errno);
    }
    if (!reason.empty()) {
        ::unlink(partial.c_str());
        return reason;
    }
    sync_folder(folder_of(path));
    return {};
}

std::string StdFileSystem::remove_file(const std::string& path) {
    if (::unlink(path.c_str()) != 0) {
        return reason_of(errno);
    }
    return {};
}

} // namespace kelvo::qt
