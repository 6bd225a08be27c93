// posix/: putting a converted file in the place of its original: the conversion is
// written beside it, the original kept under a free backup name, and both made durable.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "posix/own_folder.h"

#include <filesystem>
#include <string>

namespace kelvo::posix {

// The conversion's file until it is renamed into place; gone again on any failure.
class TemporaryFile {
public:
    // Throws std::runtime_error when no file can be made beside `beside`.
    explicit TemporaryFile(const std::filesystem::path& beside);
    ~TemporaryFile();
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;
    const std::string& path() const { return path_; }
    void release() { path_.clear(); }

private:
    std::string path_;
};

// Flushes a file, or with O_DIRECTORY a folder, to the disk; a failure is not reported.
void sync_path(const std::string& path, int flags);

// Keeps the original beside itself as db1.access-backup.mdb, or db1.access-backup-2.mdb
// when that is taken, ...; throws std::runtime_error with the reason.
std::filesystem::path keep_original(const std::filesystem::path& original);

} // namespace kelvo::posix
