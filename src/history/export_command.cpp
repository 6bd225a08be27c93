// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/export_command.h"

#include "app/texts.h"
#include "history/record_csv.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace kelvo::history {

std::string read_record_file(const std::string& path, Series& series) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return std::strerror(errno);
    }
    RecordReader reader;
    std::string buffer(1 << 20, '\0');
    std::string reason;
    for (;;) {
        const ssize_t n = ::read(fd, buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            reason = std::strerror(errno);
            break;
        }
        if (n == 0) {
            break;
        }
        reader.feed(std::string_view(buffer.data(), static_cast<std::size_t>(n)));
    }
    ::close(fd);
    reader.finish();
    series = reader.take();
    return reason;
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
    if (const std::string reason = read_record_file(input, series); !reason.empty()) {
        errors << texts::fill(texts::kExportCannotRead.en, {input, reason}) << '\n';
        return 1;
    }
    if (series.error != ReadError::None) {
        const texts::Text& why =
            series.error == ReadError::NotRecord ? texts::kNotRecord : texts::kNoDateLine;
        errors << texts::fill(texts::kExportNotRecord.en, {input, why.en}) << '\n';
        return 1;
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

int export_events_command(const std::vector<std::string>& args, std::ostream& /*out*/,
                          std::ostream& errors) {
    // Being written: the timeline's export.
    errors << texts::kExportUsage.en << '\n';
    return args.empty() ? 2 : 2;
}

} // namespace kelvo::history
