// SPDX-License-Identifier: GPL-3.0-or-later
#include "posix/descriptors.h"

#include <array>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace kelvo::posix {

std::string system_reason(int error) {
    return std::strerror(error);
}

std::string system_reason(const texts::Text& reason, int error) {
    return texts::fill(reason.en, {system_reason(error)});
}

int write_all(int fd, const char* data, std::size_t size) {
    std::size_t done = 0;
    while (done < size) {
        const ssize_t put = ::write(fd, data + done, size - done);
        if (put < 0 && errno == EINTR) {
            continue;
        }
        if (put < 0) {
            return errno;
        }
        done += static_cast<std::size_t>(put);
    }
    return 0;
}

std::optional<std::string> read_regular(int fd, std::size_t max_bytes) {
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) ||
        static_cast<std::uintmax_t>(info.st_size) > max_bytes) {
        return std::nullopt;
    }
    std::string bytes;
    std::array<char, 65536> buffer{};
    for (;;) {
        const ssize_t n = ::read(fd, buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0 || bytes.size() + static_cast<std::size_t>(n) > max_bytes) {
            return std::nullopt;
        }
        if (n == 0) {
            return bytes;
        }
        bytes.append(buffer.data(), static_cast<std::size_t>(n));
    }
}

std::string kind_refusal(mode_t mode) {
    const texts::Text* kind = nullptr;
    if (S_ISREG(mode)) {
        return {};
    }
    if (S_ISFIFO(mode)) {
        kind = &texts::kKindFifo;
    } else if (S_ISCHR(mode) || S_ISBLK(mode)) {
        kind = &texts::kKindDevice;
    } else if (S_ISSOCK(mode)) {
        kind = &texts::kKindSocket;
    } else if (S_ISDIR(mode)) {
        kind = &texts::kKindFolder;
    } else {
        kind = &texts::kKindLink;
    }
    return texts::fill(texts::kNotRegularKind.en, {kind->en});
}

std::string unwaitable_refusal(const std::string& path) {
    // Asked of the name, which never waits; an open would, on a FIFO.
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        return {};
    }
    return kind_refusal(info.st_mode);
}

} // namespace kelvo::posix
