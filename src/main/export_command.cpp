// SPDX-License-Identifier: GPL-3.0-or-later
#include "main/export_command.h"

#include "base/texts.h"
#include "history/period_timeline.h"
#include "history/record_csv.h"
#include "history/run_report.h"
#include "posix/descriptors.h"
#include "posix/record_io.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <filesystem>

namespace kelvo::history {

namespace {

// The record read, or the exit code and its line on `errors`.
int read_for_export(const std::string& input, Series& series, std::ostream& errors,
                    std::size_t* skipped_rows = nullptr) {
    if (const std::string reason = posix::read_period_files(input, series, skipped_rows);
        !reason.empty()) {
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

// The record read, OUT checked and written, or the exit code and its line on `errors`. OUT
// may not be the record itself, by its own name or through a link: writing it would put the
// CSV in the place of what it is made from.
template <typename Write>
int export_to(const std::string& input, const std::string& output, std::ostream& errors,
              Write write) {
    if (posix::same_file(input, output)) {
        errors << texts::fill(texts::kExportOntoRecord.en, {output, input}) << '\n';
        return 3;
    }
    Series series;
    if (const int code = read_for_export(input, series, errors); code != 0) {
        return code;
    }
    if (const std::string reason =
            posix::write_replacing(output, [&](std::ostream& sink) { return write(series, sink); });
        !reason.empty()) {
        errors << texts::fill(texts::kExportCannotWrite.en, {output, reason}) << '\n';
        return 3;
    }
    return 0;
}

} // namespace

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
            series.timeline.events.empty() ? timeline_of_record(series, posix::local_offset_minutes)
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
        errors << texts::fill(texts::kExportCannotWrite.en, {"-", posix::system_reason(errno)})
               << '\n';
        return 3;
    }
    return 0;
}

int report_command(const std::string& record, std::ostream& out, std::ostream& errors) {
    if (record.empty()) {
        errors << texts::kReportUsage.en << '\n';
        return 2;
    }
    Series series;
    std::size_t skipped = 0;
    if (const int code = read_for_export(record, series, errors, &skipped); code != 0) {
        return code;
    }
    out << report_text(run_report(series, skipped), true);
    if (!out.flush()) {
        errors << texts::fill(texts::kExportCannotWrite.en, {"-", posix::system_reason(errno)})
               << '\n';
        return 3;
    }
    return 0;
}

} // namespace kelvo::history
