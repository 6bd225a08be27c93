// posix/: the program's files on a POSIX file system: record files written whole
// and durably, and the journal that keeps a running output period on disk.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/services.h"

#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

namespace kelvo::posix {

// A journal's name: "unfinished-", the moment it began (20261209-071500), the process and
// the journal's number in it, then ".journal"; and whether a name is one of those.
std::string journal_name(const std::string& stamp, long process, int number);
bool is_journal_name(const std::string& name);

class StdFileSystem final : public platform::FileSystem {
public:
    // user_data_folder: the user's data folder of the desktop (for KELVO,
    // ~/.local/share/kelvo), which the window asks the desktop for.
    explicit StdFileSystem(std::string program_folder, std::string user_data_folder = {});
    ~StdFileSystem() override;
    StdFileSystem(const StdFileSystem&) = delete;
    StdFileSystem& operator=(const StdFileSystem&) = delete;

    std::string program_folder() const override { return folder_; }
    bool folder_exists(const std::string& path) const override;
    bool file_exists(const std::string& path) const override;
    std::string create_folder(const std::string& path) override;
    std::string write_new_file(const std::string& path, const std::string& bytes) override;
    std::string user_data_folder() const override;
    std::string data_folder() const override;
    bool folder_writable(const std::string& path) const override;

    std::string open_journal(const std::string& folder) override;
    std::string append_journal(const std::string& bytes) override;
    void discard_journal() override;
    void close_journal() override;
    std::vector<Journal> abandoned_journals(const std::string& folder) const override;
    std::optional<std::string> read_journal(const std::string& path,
                                            std::size_t max_bytes) const override;
    std::optional<std::string> read_file(const std::string& path,
                                         std::size_t max_bytes) const override;
    std::string replace_file(const std::string& path, const std::string& bytes) override;
    std::string remove_file(const std::string& path) override;

    // The journal being written, empty when none; for tests.
    std::string journal_path() const;
    // Seconds between the journal's trips to the disk (10 at most; tests shorten it).
    void set_sync_interval_ms(int milliseconds);

private:
    void sync_loop();
    // Under lock_: ends the journal, deleting it unless it is kept.
    void end_journal(bool keep);

    std::string folder_;
    std::string user_folder_;

    mutable std::mutex lock_;
    std::condition_variable wake_;
    int journal_fd_ = -1;
    std::string journal_path_;
    std::string journal_folder_;
    bool unsynced_ = false;
    bool folder_unsynced_ = false;
    bool stopping_ = false;
    int sync_ms_ = 5000;
    int journals_opened_ = 0;
    std::thread syncer_;
};

} // namespace kelvo::posix
