// SPDX-License-Identifier: GPL-3.0-or-later
#include "posix/files.h"

#include "base/texts.h"
#include "posix/own_folder.h"

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

namespace kelvo::posix {

namespace {

// A new name in a folder reaches the disk with the folder.
void sync_folder(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
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
    // A link at the folder's name is not the folder: it is refused, never entered.
    std::error_code error;
    return std::filesystem::is_directory(std::filesystem::symlink_status(path, error));
}

bool StdFileSystem::file_exists(const std::string& path) const {
    // Any name is taken, a link that leads nowhere too: nothing is made through it.
    std::error_code error;
    const auto status = std::filesystem::symlink_status(path, error);
    return std::filesystem::exists(status) && !std::filesystem::is_directory(status);
}

std::string StdFileSystem::create_folder(const std::string& path) {
    std::error_code error;
    const auto status = std::filesystem::symlink_status(path, error);
    if (std::filesystem::is_symlink(status)) {
        return texts::kFolderIsLink.en;
    }
    if (std::filesystem::exists(status)) {
        return system_reason(std::filesystem::is_directory(status) ? EEXIST : ENOTDIR);
    }
    std::filesystem::create_directories(path, error);
    if (error) {
        return error.message();
    }
    return folder_exists(path) ? std::string() : system_reason(ENOTDIR);
}

std::string StdFileSystem::write_new_file(const std::string& path, const std::string& bytes) {
    // Written under a name of its own first and given its name only once it is whole and
    // on the disk: a full disk or a crash never leaves a short file that looks complete.
    // Both names are made new in the folder itself: never through a link planted there.
    const OwnFolder folder(folder_of(path));
    if (!folder.refusal().empty()) {
        return folder.refusal();
    }
    const std::string name = name_of(path);
    int error = 0;
    const std::string partial = folder.create_partial(name, bytes, 0666, error);
    if (partial.empty()) {
        return system_reason(error);
    }
    // Never over an existing record.
    error = folder.link_new(partial, name);
    folder.remove(partial);
    if (error != 0) {
        return system_reason(error);
    }
    folder.sync();
    return {};
}

std::string StdFileSystem::user_data_folder() const {
    return user_folder_;
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
    const std::string name = journal_name(stamp, ::getpid(), ++journals_opened_);
    const OwnFolder own(folder);
    if (!own.refusal().empty()) {
        return own.refusal();
    }
    const int fd = ::openat(own.fd(), name.c_str(),
                            O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_APPEND | O_CLOEXEC, 0666);
    if (fd < 0) {
        return system_reason(errno);
    }
    // Held while this program writes it: a second program starting meanwhile leaves it be.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        std::string reason = system_reason(errno);
        ::close(fd);
        own.remove(name);
        return reason;
    }
    const std::string path = folder + "/" + name;
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
        return system_reason(EBADF);
    }
    // A line is a few dozen bytes: the write goes to the page cache at once. The trip to
    // the disk, which can take long on a busy one, is the syncing thread's.
    const int error = write_all(journal_fd_, bytes.data(), bytes.size());
    unsynced_ = true;
    return error == 0 ? std::string() : system_reason(error);
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

std::optional<std::string> StdFileSystem::read_file(const std::string& path,
                                                    std::size_t max_bytes) const {
    // Without waiting: a FIFO planted under the name would hold an open for reading until
    // a writer came. Anything but a regular file is refused before a byte is read.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return std::nullopt;
    }
    std::optional<std::string> bytes = read_regular(fd, max_bytes);
    ::close(fd);
    return bytes;
}

std::string StdFileSystem::replace_file(const std::string& path, const std::string& bytes) {
    // A new file of our own, made whole and synced, then renamed over the name: a link
    // planted there is replaced, never followed, and a crash leaves the old file or the new.
    const OwnFolder folder(folder_of(path));
    if (!folder.refusal().empty()) {
        return folder.refusal();
    }
    const std::string name = name_of(path);
    int error = 0;
    const std::string partial = folder.create_partial(name, bytes, 0644, error);
    if (partial.empty()) {
        return system_reason(error);
    }
    if (::renameat(folder.fd(), partial.c_str(), folder.fd(), name.c_str()) != 0) {
        error = errno;
        folder.remove(partial);
        return system_reason(error);
    }
    folder.sync();
    return {};
}

std::string StdFileSystem::remove_file(const std::string& path) {
    if (::unlink(path.c_str()) != 0) {
        return system_reason(errno);
    }
    return {};
}

} // namespace kelvo::posix
