// posix/: the journals a crash or a power cut left in a record folder, found at
// start-up: only files of the program's own name, this user's, regular, and not held by a
// running program are taken; everything else that is named like one is left where it is,
// and no link is followed and no FIFO waited on to tell.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/texts.h"
#include "posix/files.h"
#include "posix/own_folder.h"

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kelvo::posix {

namespace {

constexpr std::string_view kJournalPrefix = "unfinished-";
constexpr std::string_view kJournalSuffix = ".journal";

// At least one digit from `at` on, up to `end` or the first non-digit; where it stopped.
std::size_t digits(std::string_view text, std::size_t at, std::size_t count = 0) {
    std::size_t end = at;
    while (end < text.size() && text[end] >= '0' && text[end] <= '9' &&
           (count == 0 || end - at < count)) {
        ++end;
    }
    if (end == at || (count != 0 && end - at != count)) {
        return std::string_view::npos;
    }
    return end;
}

// Steps over `what` at `at`; npos when it is not there.
std::size_t expect(std::string_view text, std::size_t at, char what) {
    return at < text.size() && text[at] == what ? at + 1 : std::string_view::npos;
}

DateTime local_time(std::time_t stamp) {
    std::tm local{};
    localtime_r(&stamp, &local);
    return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
            local.tm_hour,        local.tm_min,     local.tm_sec};
}

// The journal of one directory entry, with why it is not taken; nothing for an entry that
// is not named like a journal or that a running program holds.
std::optional<platform::FileSystem::Journal> look_at(int folder, const std::string& folder_path,
                                                     const std::string& name) {
    if (name.size() < kJournalSuffix.size() || !name.ends_with(kJournalSuffix)) {
        return std::nullopt;
    }
    platform::FileSystem::Journal journal{folder_path + "/" + name, {}, 0, {}};
    if (!is_journal_name(name)) {
        journal.refusal = texts::kJournalOtherName.en;
        return journal;
    }
    const int fd = ::openat(folder, name.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        journal.refusal = errno == ELOOP
                              ? texts::fill(texts::kNotRegularKind.en, {texts::kKindLink.en})
                              : system_reason(errno);
        return journal;
    }
    struct stat info {};
    bool held = false;
    if (::fstat(fd, &info) != 0) {
        journal.refusal = system_reason(errno);
    } else if (!S_ISREG(info.st_mode)) {
        journal.refusal = kind_refusal(info.st_mode);
    } else if (info.st_uid != ::geteuid()) {
        journal.refusal = texts::kJournalOtherOwner.en;
    } else {
        // A journal another program holds is its running period: none of our business.
        held = ::flock(fd, LOCK_EX | LOCK_NB) != 0;
        journal.last_written = local_time(info.st_mtime);
        journal.size = static_cast<std::uintmax_t>(info.st_size);
    }
    ::close(fd);
    if (held) {
        return std::nullopt;
    }
    return journal;
}

} // namespace

std::string journal_name(const std::string& stamp, long process, int number) {
    return std::string(kJournalPrefix) + stamp + "-" + std::to_string(process) + "-" +
           std::to_string(number) + std::string(kJournalSuffix);
}

bool is_journal_name(const std::string& name) {
    const std::string_view text(name);
    if (!text.starts_with(kJournalPrefix) || !text.ends_with(kJournalSuffix)) {
        return false;
    }
    const std::string_view middle = text.substr(
        kJournalPrefix.size(), text.size() - kJournalPrefix.size() - kJournalSuffix.size());
    std::size_t at = digits(middle, 0, 8);
    at = at == std::string_view::npos ? at : expect(middle, at, '-');
    at = at == std::string_view::npos ? at : digits(middle, at, 6);
    at = at == std::string_view::npos ? at : expect(middle, at, '-');
    at = at == std::string_view::npos ? at : digits(middle, at);
    at = at == std::string_view::npos ? at : expect(middle, at, '-');
    at = at == std::string_view::npos ? at : digits(middle, at);
    return at == middle.size();
}

std::vector<platform::FileSystem::Journal>
StdFileSystem::abandoned_journals(const std::string& folder) const {
    std::vector<Journal> found;
    const OwnFolder own(folder);
    const int listing = own.refusal().empty() ? ::dup(own.fd()) : -1;
    DIR* dir = listing < 0 ? nullptr : ::fdopendir(listing);
    if (dir == nullptr) {
        if (listing >= 0) {
            ::close(listing);
        }
        return found;
    }
    while (const dirent* entry = ::readdir(dir)) {
        if (auto journal = look_at(own.fd(), folder, entry->d_name)) {
            found.push_back(std::move(*journal));
        }
    }
    ::closedir(dir);
    std::sort(found.begin(), found.end(),
              [](const Journal& a, const Journal& b) { return a.path < b.path; });
    return found;
}

std::optional<std::string> StdFileSystem::read_journal(const std::string& path,
                                                       std::size_t max_bytes) const {
    const OwnFolder own(folder_of(path));
    if (!own.refusal().empty() || !is_journal_name(name_of(path))) {
        return std::nullopt;
    }
    const int fd =
        ::openat(own.fd(), name_of(path).c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        return std::nullopt;
    }
    struct stat info {};
    std::optional<std::string> bytes;
    if (::fstat(fd, &info) == 0 && info.st_uid == ::geteuid()) {
        bytes = read_regular(fd, max_bytes);
    }
    ::close(fd);
    return bytes;
}

} // namespace kelvo::posix
