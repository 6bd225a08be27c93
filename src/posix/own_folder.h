// posix/: files made in the program's own folders on a POSIX file system, so that
// nothing planted in a folder (a link, a FIFO, a file under the name about to be used)
// can send the program's bytes elsewhere or make it wait: every file is made new through
// a descriptor of its folder, and a folder that is a link is not entered.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <sys/types.h>

#include <optional>
#include <string>

namespace kelvo::qt {

// The system's words for an errno value.
std::string system_reason(int error);

// Writes all `size` bytes, through interruptions; 0 or the errno value.
int write_all(int fd, const char* data, std::size_t size);

// The bytes of an open file when it is a regular one of at most max_bytes (also when it
// grows while it is read); nothing otherwise or when reading fails.
std::optional<std::string> read_regular(int fd, std::size_t max_bytes);

// Why a file of this kind is not read (a FIFO would hold an open until a writer came, a
// device may never end): empty for a regular file.
std::string kind_refusal(mode_t mode);

// Why the file at `path` cannot be read without waiting: empty for a regular file (also
// through a link) and for a missing one, which the caller names in its own words.
std::string unwaitable_refusal(const std::string& path);

// A folder of the program's, opened without following a link at its own name (the folders
// above it are the user's business). Files are made in it by name relative to it.
class OwnFolder {
public:
    explicit OwnFolder(const std::string& path);
    ~OwnFolder();
    OwnFolder(const OwnFolder&) = delete;
    OwnFolder& operator=(const OwnFolder&) = delete;

    // Empty when open, otherwise why not: "it is a link, not a folder" for a link.
    const std::string& refusal() const { return refusal_; }
    int fd() const { return fd_; }

    // Makes a file that did not exist under any kind of name (a link or a FIFO there is
    // an existing name), writes the bytes and puts them on the disk; 0 or the errno value.
    // A file made but not written whole is removed again.
    int create_new(const std::string& name, const std::string& bytes, mode_t mode) const;
    // create_new under "<stem>.partial-<pid>", or "-2", "-3", ... after it when something
    // is planted there; the name used, empty with `error` set when none could be made.
    std::string create_partial(const std::string& stem, const std::string& bytes, mode_t mode,
                               int& error) const;
    // Gives `from` the name `to` as well, never over anything under that name and never
    // following a link; 0 or the errno value (EEXIST when the name is taken).
    int link_new(const std::string& from, const std::string& to) const;
    void remove(const std::string& name) const;
    // The folder's new names reach the disk.
    void sync() const;

private:
    int fd_ = -1;
    std::string refusal_;
};

// The part of a path after its last slash.
std::string name_of(const std::string& path);
// The part before it: "." for a bare name, "/" for one at the root.
std::string folder_of(const std::string& path);

} // namespace kelvo::qt
