// SPDX-License-Identifier: GPL-3.0-or-later
#include "fake/fake_files.h"

namespace kelvo::fake {

namespace {

std::string parent_of(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos || slash == 0 ? std::string("/") : path.substr(0, slash);
}

} // namespace

std::string FakeFileSystem::refusal(const std::string& folder) const {
    if (folders.count(folder) == 0) {
        return "No such file or directory";
    }
    if (read_only.count(folder) > 0) {
        return "Permission denied";
    }
    return {};
}

std::string FakeFileSystem::create_folder(const std::string& path) {
    if (!create_folder_error.empty()) {
        return create_folder_error;
    }
    if (folders.count(path) > 0) {
        return "File exists";
    }
    const std::string parent = parent_of(path);
    if (folders.count(parent) == 0 && parent != "/") {
        if (std::string reason = create_folder(parent); !reason.empty()) {
            return reason;
        }
    }
    if (read_only.count(parent) > 0) {
        return "Permission denied";
    }
    folders.insert(path);
    return {};
}

std::string FakeFileSystem::write_new_file(const std::string& path, const std::string& bytes) {
    if (!write_error.empty()) {
        return write_error;
    }
    if (files.count(path) > 0) {
        return "File exists";
    }
    if (std::string reason = refusal(parent_of(path)); !reason.empty()) {
        return reason;
    }
    files[path] = bytes;
    return {};
}

std::string FakeFileSystem::replace_file(const std::string& path, const std::string& bytes) {
    if (!replace_error.empty()) {
        return replace_error;
    }
    if (std::string reason = refusal(parent_of(path)); !reason.empty()) {
        return reason;
    }
    fifos.erase(path);
    files[path] = bytes;
    return {};
}

std::string FakeFileSystem::open_journal(const std::string& folder) {
    journal_open.clear();
    if (std::string reason = refusal(folder); !reason.empty()) {
        return reason;
    }
    journal_open = folder + "/unfinished-" + std::to_string(++journals_made_) + ".journal";
    journals[journal_open] = "";
    if (clock_moment != nullptr) {
        journal_written[journal_open] = *clock_moment;
    }
    return {};
}

std::string FakeFileSystem::append_journal(const std::string& bytes) {
    if (journal_open.empty()) {
        return "Bad file descriptor";
    }
    if (!write_error.empty()) {
        return write_error;
    }
    journals[journal_open] += bytes;
    if (clock_moment != nullptr) {
        journal_written[journal_open] = *clock_moment;
    }
    return {};
}

void FakeFileSystem::discard_journal() {
    if (!journal_open.empty()) {
        journals.erase(journal_open);
        journal_open.clear();
    }
}

std::vector<platform::FileSystem::Journal>
FakeFileSystem::abandoned_journals(const std::string& folder) const {
    std::vector<Journal> found;
    for (const auto& [path, content] : journals) {
        if (path != journal_open && parent_of(path) == folder) {
            const auto written = journal_written.find(path);
            const auto refused = journal_refusals.find(path);
            found.push_back({path, written == journal_written.end() ? DateTime{} : written->second,
                             content.size(),
                             refused == journal_refusals.end() ? std::string() : refused->second});
        }
    }
    return found;
}

std::optional<std::string> FakeFileSystem::read_journal(const std::string& path,
                                                        std::size_t max_bytes) const {
    const auto it = journals.find(path);
    if (it == journals.end() || it->second.size() > max_bytes || journal_refusals.count(path)) {
        return std::nullopt;
    }
    return it->second;
}

std::optional<std::string> FakeFileSystem::read_file(const std::string& path,
                                                     std::size_t max_bytes) const {
    if (fifos.count(path) > 0) {
        return std::nullopt;
    }
    if (const auto it = files.find(path); it != files.end()) {
        if (it->second.size() > max_bytes) {
            return std::nullopt;
        }
        return it->second;
    }
    if (const auto it = journals.find(path); it != journals.end()) {
        return it->second;
    }
    return std::nullopt;
}

std::string FakeFileSystem::remove_file(const std::string& path) {
    if (files.erase(path) + journals.erase(path) == 0) {
        return "No such file or directory";
    }
    return {};
}

} // namespace kelvo::fake
