// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/export_command.h"

#include "app/texts.h"
#include "history/period_timeline.h"
#include "history/record_csv.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

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
        return !reader.failed(); // the rest cannot make it a record
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
        const std::string why =
            series.line_too_long
                ? texts::fill(texts::kLineTooLong.en, {std::to_string(RecordReader::kLineLimit)})
            : series.error == ReadError::NotRecord ? texts::kNotRecord.en
                                                   : texts::kNoDateLine.en;
        errors << texts::fill(texts::kExportNotRecord.en, {input, why}) << '\n';
        return 1;
    }
    return 0;
}

// Where the CSV goes when no OUT is named: the record's name with the extension .csv, and
// for a record whose name already ends in .csv (in any case) "<name>.export.csv", so that
// the default never is the record itself.
std::string default_export_path(const std::string& input) {
    std::filesystem::path path(input);
    std::string extension = path.extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    path.replace_extension(extension == ".csv" ? ".export.csv" : ".csv");
    return path.string();
}

// Whether OUT is the record: the same file, reached by its own name or by a symbolic or a
// hard link. Writing it would put the CSV in the place of what it is made from.
bool is_record_itself(const std::string& input, const std::string& output) {
    struct stat record {};
    struct stat target {};
    return ::stat(input.c_str(), &record) == 0 && ::stat(output.c_str(), &target) == 0 &&
           record.st_dev == target.st_dev && record.st_ino == target.st_ino;
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

// `write` fills a temporary file in OUT's folder, which is renamed over OUT only once it
// is whole and on the disk: OUT is never half written, and on a failure nothing is left
// behind. The empty string, or why OUT could not be written.
template <typename Write> std::string write_replacing(const std::string& output, Write write) {
    const auto [temporary, fd] = create_beside(output);
    if (fd < 0) {
        return std::strerror(errno);
    }
    std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
    const bool written = file && write(file) && (file.close(), !file.fail());
    // The stream wrote through a descriptor of its own; this one syncs the same file.
    const bool synced = written && ::fsync(fd) == 0;
    const int error = synced ? 0 : (errno != 0 ? errno : EIO);
    ::close(fd);
    if (synced && ::rename(temporary.c_str(), output.c_str()) == 0) {
        return {};
    }
    const std::string reason = std::strerror(synced ? errno : error);
    ::unlink(temporary.c_str());
    return reason;
}

// The record read, OUT checked and written, or the exit code and its line on `errors`.
template <typename Write>
int export_to(const std::string& input, const std::string& output, std::ostream& errors,
              Write write) {
    if (is_record_itself(input, output)) {
        errors << texts::fill(texts::kExportOntoRecord.en, {output, input}) << '\n';
        return 3;
    }
    Series series;
    if (const int code = read_for_export(input, series, errors); code != 0) {
        return code;
    }
    if (const std::string reason =
            write_replacing(output, [&](std::ostream& sink) { return write(series, sink); });
        !reason.empty()) {
        errors << texts::fill(texts::kExportCannotWrite.en, {output, reason}) << '\n';
        return 3;
    }
    return 0;
}

} // namespace

std::string write_csv_file(const Series& series, const std::string& path) {
    return write_replacing(path, [&series](std::ostream& sink) { return write_csv(series, sink); });
}

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
    const std::string output = args.size() == 2 ? args[1] : default_export_path(input);
    return export_to(input, output, errors, [](const Series& series, std::ostream& sink) {
        return write_csv(series, sink);
    });
}

int export_events_command(const std::vector<std::string>& args, std::ostream& out,
                          std::ostream& errors) {
    if (args.empty() || args.size() > 2 || args[0].empty() ||
        (args.size() == 2 && args[1].empty())) {
        errors << texts::kExportEventsUsage.en << '\n';
        return 2;
    }
    const std::string& input = args[0];
    const auto write = [](const Series& series, std::ostream& sink) {
        const std::string text = events_file_text(
            series.timeline.events.empty() ? timeline_of_record(series, local_offset_minutes)
                                           : series.timeline.events);
        sink.write(text.data(), static_cast<std::streamsize>(text.size()));
        return static_cast<bool>(sink.flush());
    };
    if (args.size() == 2 && args[1] != "-") {
        return export_to(input, args[1], errors, write);
    }
    Series series;
    if (const int code = read_for_export(input, series, errors); code != 0) {
        return code;
    }
    if (!write(series, out)) {
        errors << texts::fill(texts::kExportCannotWrite.en, {"-", std::strerror(errno)}) << '\n';
        return 3;
    }
    return 0;
}

} // namespace kelvo::history
