// posix/: the temporary file, the backup of the original and the syncs of a file swap.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "posix/file_swap.h"
#include "base/texts.h"
#include "posix/own_folder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace kelvo::posix {

namespace fs = std::filesystem;

TemporaryFile::TemporaryFile(const fs::path& beside) {
    std::string name = beside.string() + ".converting-XXXXXX";
    const int fd = ::mkstemp(name.data());
    if (fd < 0) {
        throw std::runtime_error(texts::fill(texts::kImportNoTemporary.en, {system_reason(errno)}));
    }
    path_ = name;
    // The converted file keeps the access rights of the one it replaces.
    struct stat original {};
    if (::stat(beside.c_str(), &original) == 0) {
        ::fchmod(fd, original.st_mode & 07777);
    }
    ::close(fd);
}

TemporaryFile::~TemporaryFile() {
    if (!path_.empty()) {
        std::error_code ignored;
        fs::remove(path_, ignored);
        fs::remove(path_ + "-journal", ignored);
    }
}

namespace {

// Copies the rest of `in` to `out`; 0 or the error.
int copy_contents(int in, int out) {
    std::array<char, 65536> chunk{};
    for (;;) {
        const ssize_t got = ::read(in, chunk.data(), chunk.size());
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            return errno;
        }
        if (got == 0) {
            return 0;
        }
        if (const int error = write_all(out, chunk.data(), static_cast<std::size_t>(got));
            error != 0) {
            return error;
        }
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
    int error = copy_contents(in, out);
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

} // namespace

void sync_path(const std::string& path, int flags) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | flags);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

fs::path keep_original(const fs::path& original) {
    const std::string stem = original.stem().string();
    const std::string extension = original.extension().string();
    for (int number = 1; number < 10000; ++number) {
        const std::string suffix = number == 1 ? "" : "-" + std::to_string(number);
        fs::path backup = original.parent_path() / (stem + ".access-backup" + suffix + extension);
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
            throw std::runtime_error(texts::fill(texts::kImportOriginalNotKept.en,
                                                 {backup.string(), system_reason(error)}));
        }
    }
    throw std::runtime_error(texts::kImportBackupNamesTaken.en);
}

} // namespace kelvo::posix
