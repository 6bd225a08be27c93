// SPDX-License-Identifier: GPL-3.0-or-later
#include "posix/own_folder.h"

#include "base/texts.h"

#include <array>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kelvo::posix {

std::string name_of(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string folder_of(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string(".")
                                      : (slash == 0 ? std::string("/") : path.substr(0, slash));
}

OwnFolder::OwnFolder(const std::string& path) {
    fd_ = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd_ >= 0) {
        return;
    }
    const int error = errno;
    struct stat info {};
    // O_NOFOLLOW says ELOOP or ENOTDIR for a link, depending on where it points.
    if (::lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode)) {
        refusal_ = texts::kFolderIsLink.en;
    } else {
        refusal_ = system_reason(error);
    }
}

OwnFolder::~OwnFolder() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

int OwnFolder::create_new(const std::string& name, const std::string& bytes, mode_t mode) const {
    const int fd =
        ::openat(fd_, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
    if (fd < 0) {
        return errno;
    }
    int error = write_all(fd, bytes.data(), bytes.size());
    if (error == 0 && ::fdatasync(fd) != 0) {
        error = errno;
    }
    if (::close(fd) != 0 && error == 0) {
        error = errno;
    }
    if (error != 0) {
        remove(name);
    }
    return error;
}

std::string OwnFolder::create_partial(const std::string& stem, const std::string& bytes,
                                      mode_t mode, int& error) const {
    const std::string base = stem + ".partial-" + std::to_string(::getpid());
    // The pid is no secret: whatever is planted under the name, the next one is free.
    for (int copy = 1; copy <= 100; ++copy) {
        const std::string name = copy == 1 ? base : base + "-" + std::to_string(copy);
        error = create_new(name, bytes, mode);
        if (error != EEXIST) {
            return error == 0 ? name : std::string();
        }
    }
    return {};
}

int OwnFolder::link_new(const std::string& from, const std::string& to) const {
    if (::linkat(fd_, from.c_str(), fd_, to.c_str(), 0) == 0) {
        return 0;
    }
    const int error = errno;
    if (error != EPERM && error != EOPNOTSUPP && error != ENOSYS) {
        return error;
    }
    // A file system without hard links (FAT on a USB stick): a rename that refuses to
    // replace, or where even that is missing, a look at the name first.
    if (::renameat2(fd_, from.c_str(), fd_, to.c_str(), RENAME_NOREPLACE) == 0) {
        return 0;
    }
    if (errno != EINVAL && errno != ENOSYS) {
        return errno;
    }
    struct stat info {};
    if (::fstatat(fd_, to.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0) {
        return EEXIST;
    }
    return ::renameat(fd_, from.c_str(), fd_, to.c_str()) == 0 ? 0 : errno;
}

void OwnFolder::remove(const std::string& name) const {
    ::unlinkat(fd_, name.c_str(), 0);
}

void OwnFolder::sync() const {
    ::fsync(fd_);
}

} // namespace kelvo::posix
