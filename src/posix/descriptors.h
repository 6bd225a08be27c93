// posix/: what the program does with a file descriptor: write all of it, read a regular
// file whole, refuse what would make it wait, and say why in the system's words.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/texts.h"

#include <sys/types.h>

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace kelvo::posix {

// The system's words for an errno value: the one place the program asks for them.
std::string system_reason(int error);
// A text of the program's that takes the system's words as its %1.
std::string system_reason(const texts::Text& reason, int error);

// Writes all `size` bytes, through interruptions; 0 or the errno value.
int write_all(int fd, const char* data, std::size_t size);
inline int write_all(int fd, std::string_view bytes) {
    return write_all(fd, bytes.data(), bytes.size());
}

// The bytes of an open file when it is a regular one of at most max_bytes (also when it
// grows while it is read); nothing otherwise or when reading fails.
std::optional<std::string> read_regular(int fd, std::size_t max_bytes);

// Why a file of this kind is not read (a FIFO would hold an open until a writer came, a
// device may never end): empty for a regular file.
std::string kind_refusal(mode_t mode);

// Why the file at `path` cannot be read without waiting: empty for a regular file (also
// through a link) and for a missing one, which the caller names in its own words.
std::string unwaitable_refusal(const std::string& path);

} // namespace kelvo::posix
