// The fake file system: folders, files and journals in memory, with the refusals a test
// asks for.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/services.h"

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace kelvo::fake {

// Paths are plain strings with "/" separators; the program folder exists from the start.
class FakeFileSystem : public platform::FileSystem {
public:
    std::string program_folder() const override { return folder; }
    bool folder_exists(const std::string& path) const override { return folders.count(path) > 0; }
    bool file_exists(const std::string& path) const override { return files.count(path) > 0; }
    // Fails with create_folder_error when set, and with "Permission denied" in a read-only
    // folder. Creates missing parents.
    std::string create_folder(const std::string& path) override;
    // Fails with write_error when set (nothing is left), with "File exists" when the file
    // exists, with "No such file or directory" when its folder does not and with
    // "Permission denied" in a read-only folder.
    std::string write_new_file(const std::string& path, const std::string& bytes) override;
    std::string user_data_folder() const override { return user_folder; }
    std::string data_folder() const override { return "/usr/share/kelvo"; }
    bool folder_writable(const std::string& path) const override {
        return folders.count(path) > 0 && read_only.count(path) == 0;
    }

    // Journals live in `journals`; the open one is journal_open. An append fails with
    // write_error when set.
    std::string open_journal(const std::string& folder) override;
    std::string append_journal(const std::string& bytes) override;
    void discard_journal() override;
    void close_journal() override { journal_open.clear(); }
    // Each with the refusal journal_refusals gives it, as the platform would for a link.
    std::vector<Journal> abandoned_journals(const std::string& folder) const override;
    std::optional<std::string> read_journal(const std::string& path,
                                            std::size_t max_bytes) const override;
    // Also nothing for a path in `fifos` (what a real one would do rather than wait) and for
    // a file above max_bytes.
    std::optional<std::string> read_file(const std::string& path,
                                         std::size_t max_bytes) const override;
    // Fails with replace_error when set; in a missing or read-only folder as writing does.
    std::string replace_file(const std::string& path, const std::string& bytes) override;
    std::string remove_file(const std::string& path) override;

    std::string folder = "/prog";
    std::string user_folder = "/home/user/.local/share/kelvo";
    std::set<std::string> folders{"/prog", "/home/user/.local/share/kelvo"};
    std::set<std::string> read_only; // folders in which nothing can be created
    std::map<std::string, std::string> files;
    std::string create_folder_error;
    std::string write_error;
    std::string replace_error;
    std::set<std::string> fifos;
    std::map<std::string, std::string> journals;
    std::map<std::string, DateTime> journal_written; // the clock's moment of the last append
    std::map<std::string, std::string> journal_refusals;
    std::string journal_open;
    const DateTime* clock_moment = nullptr;

private:
    std::string refusal(const std::string& folder) const;
    int journals_made_ = 0;
};

} // namespace kelvo::fake
