// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/export_command.h"

#include "app/texts.h"
#include "history/period_timeline.h"
#include "history/record_csv.h"

#include <cerrno>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

namespace kelvo::history {

namespace {

// An events file beyond this is not one the program wrote (a week of one-second steps
// makes about 40 MB).
constexpr off_t kEventsFileLimit = off_t{64} << 20;

// Opened without waiting (a FIFO would hold the open until a writer came) and taken only
// when it is a regular file; the descriptor, or -1 with the reason.
int open_regular(const std::string& path, std::string& reason, off_t* size = nullptr) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        reason = std::strerror(errno);
        return -1;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        reason = std::strerror(errno);
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
            return std::strerror(errno);
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
        return true;
    });
    ::close(fd);
    reader.finish();
    return reason;
}

// The record read, or the exit code and its line on `errors`.
int read_for_export(const std::string& input, Series& series, std::ostream& errors) {
    if (const std::string reason = read_period_files(input, series); !reason.empty()) {
        errors << texts::fill(texts::kExportCannotRead.en, {input, reason}) << '\n';
        return 1;
    }
    if (series.error != ReadError::None) {
        const texts::Text& why =
            series.error == ReadError::NotRecord ? texts::kNotRecord : texts::kNoDateLine;
        errors << texts::fill(texts::kExportNotRecord.en, {input, why.en}) << '\n';
        return 1;
    }
    return 0;
}

} // namespace

std::string read_record_file(const std::string& path, Series& series) {
    RecordReader reader;
    std::string reason = read_record_into(path, reader);
    series = reader.take();
    return reason;
}

std::string read_period_files(const std::string& path, Series& series) {
    std::vector<PeriodEvent> events;
    if (const std::optional<std::string> text = read_events_beside(path)) {
        events = read_events_file(*text);
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

int local_offset_minutes(const platform::DateTime& local) {
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

int export_csv_command(const std::vector<std::string>& args, std::ostream& errors) {
    if (args.empty() || args.size() > 2 || args[0].empty()) {
        errors << texts::kExportUsage.en << '\n';
        return 2;
    }
    const std::string& input = args[0];
    const std::string output =
        args.size() == 2 ? args[1]
                         : std::filesystem::path(input).replace_extension(".csv").string();
    Series series;
    if (const int code = read_for_export(input, series, errors); code != 0) {
        return code;
    }
    std::ofstream out(output, std::ios::binary | std::ios::trunc);
    if (!out) {
        errors << texts::fill(texts::kExportCannotWrite.en, {output, std::strerror(errno)}) << '\n';
        return 3;
    }
    if (!write_csv(series, out) || (out.close(), !out)) {
        errors << texts::fill(texts::kExportCannotWrite.en, {output, std::strerror(errno)}) << '\n';
        return 3;
    }
    return 0;
}

int export_events_command(const std::vector<std::string>& args, std::ostream& out,
                          std::ostream& errors) {
    if (args.empty() || args.size() > 2 || args[0].empty() ||
        (args.size() == 2 && args[1].empty())) {
        errors << texts::kExportEventsUsage.en << '\n';
        return 2;
    }
    const std::string& input = args[0];
    Series series;
    if (const int code = read_for_export(input, series, errors); code != 0) {
        return code;
    }
    const std::string text = events_file_text(series.timeline.events.empty()
                                                  ? timeline_of_record(series, local_offset_minutes)
                                                  : series.timeline.events);
    const bool to_out = args.size() == 1 || args[1] == "-";
    const std::string output = to_out ? std::string("-") : args[1];
    std::ofstream file;
    if (!to_out) {
        file.open(output, std::ios::binary | std::ios::trunc);
    }
    std::ostream& sink = to_out ? out : file;
    if (sink) {
        sink.write(text.data(), static_cast<std::streamsize>(text.size()));
        sink.flush();
    }
    if (!sink || (!to_out && (file.close(), !file))) {
        errors << texts::fill(texts::kExportCannotWrite.en, {output, std::strerror(errno)}) << '\n';
        return 3;
    }
    return 0;
}

} // namespace kelvo::history
