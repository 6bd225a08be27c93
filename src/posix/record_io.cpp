// SPDX-License-Identifier: GPL-3.0-or-later
#include "posix/record_io.h"

#include "base/texts.h"
#include "history/period_timeline.h"
#include "history/record_csv.h"
#include "posix/descriptors.h"

#include <cerrno>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace kelvo::posix {

using history::ReadError;
using history::RecordReader;
using history::Series;

namespace {

// An events file beyond this is not one the program wrote (a week of one-second steps
// makes about 40 MB).
constexpr off_t kEventsFileLimit = off_t{64} << 20;

// Opened without waiting (a FIFO would hold the open until a writer came) and taken only
// when it is a regular file; the descriptor, or -1 with the reason.
int open_regular(const std::string& path, std::string& reason, off_t* size = nullptr) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        reason = system_reason(errno);
        return -1;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        reason = system_reason(errno);
    } else if (!S_ISREG(info.st_mode)) {
        reason = texts::kNotRegularFile.en;
    }
    if (!reason.empty()) {
        ::close(fd);
        return -1;
    }
    if (size != nullptr) {
        *size = info.st_size;
    }
    return fd;
}

// Every chunk of the file to `take`; the empty string, or why the reading stopped.
template <typename Take> std::string read_chunks(int fd, std::size_t chunk, Take take) {
    std::string buffer(chunk, '\0');
    for (;;) {
        const ssize_t n = ::read(fd, buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            return system_reason(errno);
        }
        if (n == 0 || !take(std::string_view(buffer.data(), static_cast<std::size_t>(n)))) {
            return {};
        }
    }
}

// The events file beside a record, whole; nothing when there is none that can be read.
std::optional<std::string> read_events_beside(const std::string& record_path) {
    std::string reason;
    off_t size = 0;
    const int fd = open_regular(events_path_of(record_path), reason, &size);
    if (fd < 0 || size > kEventsFileLimit) {
        if (fd >= 0) {
            ::close(fd);
        }
        return std::nullopt;
    }
    std::string text;
    text.reserve(static_cast<std::size_t>(size));
    bool too_large = false;
    reason = read_chunks(fd, 1 << 16, [&](std::string_view chunk) {
        text.append(chunk);
        too_large = text.size() > static_cast<std::size_t>(kEventsFileLimit);
        return !too_large; // grown since it was looked at
    });
    ::close(fd);
    if (!reason.empty() || too_large) {
        return std::nullopt;
    }
    return text;
}

std::string read_record_into(const std::string& path, RecordReader& reader) {
    std::string reason;
    const int fd = open_regular(path, reason);
    if (fd < 0) {
        return reason;
    }
    reason = read_chunks(fd, 1 << 20, [&reader](std::string_view chunk) {
        reader.feed(chunk);
        return !reader.failed(); // the rest cannot make it a record
    });
    ::close(fd);
    reader.finish();
    return reason;
}

// A new file beside `output`, made with the mode an ordinary new file gets (the umask
// applies): its name and its descriptor, or -1 with errno set.
std::pair<std::string, int> create_beside(const std::string& output) {
    const std::filesystem::path path(output);
    const std::string stem =
        "." + path.filename().string() + ".kelvo-" + std::to_string(::getpid()) + "-";
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = (path.parent_path() / (stem + std::to_string(attempt))).string();
        const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) {
            return {std::move(name), fd};
        }
    }
    return {{}, -1};
}

} // namespace

std::string write_replacing(const std::string& path,
                            const std::function<bool(std::ostream&)>& write) {
    const auto [temporary, fd] = create_beside(path);
    if (fd < 0) {
        return system_reason(errno);
    }
    std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
    const bool written = file && write(file) && (file.close(), !file.fail());
    // The stream wrote through a descriptor of its own; this one syncs the same file.
    const bool synced = written && ::fsync(fd) == 0;
    const int error = synced ? 0 : (errno != 0 ? errno : EIO);
    ::close(fd);
    if (synced && ::rename(temporary.c_str(), path.c_str()) == 0) {
        return {};
    }
    const std::string reason = system_reason(synced ? errno : error);
    ::unlink(temporary.c_str());
    return reason;
}

bool same_file(const std::string& first, const std::string& second) {
    struct stat one {};
    struct stat other {};
    return ::stat(first.c_str(), &one) == 0 && ::stat(second.c_str(), &other) == 0 &&
           one.st_dev == other.st_dev && one.st_ino == other.st_ino;
}

std::string write_csv_file(const Series& series, const std::string& path) {
    return write_replacing(path, [&series](std::ostream& sink) { return write_csv(series, sink); });
}

std::string read_record_file(const std::string& path, Series& series) {
    RecordReader reader;
    std::string reason = read_record_into(path, reader);
    series = reader.take();
    return reason;
}

std::string read_period_files(const std::string& path, Series& series, std::size_t* skipped_rows) {
    std::vector<PeriodEvent> events;
    if (const std::optional<std::string> text = read_events_beside(path)) {
        events = read_events_file(*text, skipped_rows);
    } else if (skipped_rows != nullptr) {
        *skipped_rows = 0;
    }
    RecordReader reader;
    reader.use_events(events);
    std::string reason = read_record_into(path, reader);
    series = reader.take();
    if (reason.empty() && series.error == ReadError::None) {
        attach_timeline(series, std::move(events));
    }
    return reason;
}

int local_offset_minutes(const DateTime& local) {
    std::tm fields{};
    fields.tm_year = local.year - 1900;
    fields.tm_mon = local.month - 1;
    fields.tm_mday = local.day;
    fields.tm_hour = local.hour;
    fields.tm_min = local.minute;
    fields.tm_sec = local.second;
    fields.tm_isdst = -1; // the C library knows whether summer time was in force then
    const std::time_t stamp = std::mktime(&fields);
    std::tm back{};
    if (stamp == static_cast<std::time_t>(-1) || ::localtime_r(&stamp, &back) == nullptr) {
        return 0;
    }
    return static_cast<int>(back.tm_gmtoff / 60);
}

} // namespace kelvo::posix
