// posix/: files made in the program's own folders on a POSIX file system, so that
// nothing planted in a folder (a link, a FIFO, a file under the name about to be used)
// can send the program's bytes elsewhere or make it wait: every file is made new through
// a descriptor of its folder, and a folder that is a link is not entered.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "posix/descriptors.h"

#include <string>

namespace kelvo::posix {

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

} // namespace kelvo::posix
