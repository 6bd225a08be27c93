// The command line as a user or a script could type it: the bytes cut at each NUL into
// arguments, a piece whose first byte is below 0x20 replaced by one of the program's own
// option names, so that values meet the options that read them. However it reads, the
// program ends with 0 or 2 or goes on; a wrong option is told in one line, and nothing
// else is; every limit that reaches the program is one the window would have taken.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "check.h"
#include "limits/output_limits.h"
#include "main/command_line.h"

#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <ostream>
#include <streambuf>
#include <string>
#include <vector>

namespace {

constexpr std::array<const char*, 20> kNames{"--max-voltage",
                                             "--max-current",
                                             "--max-time",
                                             "--max-charge",
                                             "--max-energy",
                                             "--off-after-silence",
                                             "--export-events",
                                             "--export-csv",
                                             "--port",
                                             "--remote",
                                             "--help",
                                             "--version",
                                             "-h",
                                             "-v",
                                             "--",
                                             "-platform",
                                             "--max-voltage=",
                                             "--max-time=-",
                                             "-max-current",
                                             "--reverse"};

// Discards what is written and counts it: where the program's output would go.
class CountingSink final : public std::streambuf {
public:
    std::size_t chars = 0;
    std::size_t lines = 0;
    bool ends_with_newline = false;

protected:
    int_type overflow(int_type c) override {
        if (c != traits_type::eof()) {
            ++chars;
            ends_with_newline = c == '\n';
            lines += ends_with_newline ? 1 : 0;
        }
        return traits_type::not_eof(c);
    }
};

std::vector<std::string> arguments_of(const std::uint8_t* bytes, std::size_t size) {
    std::vector<std::string> args{"kelvo"};
    std::string piece;
    const auto take = [&args, &piece] {
        if (!piece.empty() && static_cast<unsigned char>(piece.front()) < 0x20) {
            const std::size_t which = static_cast<unsigned char>(piece.front()) % kNames.size();
            piece = kNames.at(which) + piece.substr(1);
        }
        args.push_back(piece);
        piece.clear();
    };
    for (std::size_t i = 0; i < size; ++i) {
        if (bytes[i] == 0) {
            take();
        } else {
            piece.push_back(static_cast<char>(bytes[i]));
        }
    }
    take();
    return args;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    // A command line is short; longer inputs only slow the search down.
    if (size > 512) {
        return 0;
    }
    std::vector<std::string> args = arguments_of(bytes, size);
    bool newline_given = false;
    std::vector<char*> argv;
    for (std::string& arg : args) {
        newline_given = newline_given || arg.find('\n') != std::string::npos;
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    CountingSink out_sink;
    CountingSink error_sink;
    std::ostream out(&out_sink);
    std::ostream errors(&error_sink);
    const kelvo::qt::CommandLine line =
        kelvo::qt::read_command_line(static_cast<int>(args.size()), argv.data(), out, errors);

    KELVO_FUZZ_REQUIRE(!line.exit_code || *line.exit_code == 0 || *line.exit_code == 2);
    // Complaints only with status 2, and then one line (unless an argument brought its own
    // line break into the message).
    KELVO_FUZZ_REQUIRE((error_sink.chars > 0) == (line.exit_code == 2));
    if (line.exit_code == 2) {
        KELVO_FUZZ_REQUIRE(error_sink.ends_with_newline);
        KELVO_FUZZ_REQUIRE(newline_given || error_sink.lines == 1);
    }
    // The help and the version only when the program ends with 0.
    KELVO_FUZZ_REQUIRE((out_sink.chars > 0) == (line.exit_code == 0));
    KELVO_FUZZ_REQUIRE(!(line.export_csv && line.export_events));
    for (const auto* exported : {&line.export_csv, &line.export_events}) {
        if (*exported) {
            KELVO_FUZZ_REQUIRE(!line.exit_code);
            KELVO_FUZZ_REQUIRE(!(*exported)->empty());
        }
    }
    // A program that ends here carries nothing on.
    if (line.exit_code) {
        KELVO_FUZZ_REQUIRE(!line.output_limits.any() && !line.port && !line.remote);
    }
    for (const kelvo::LimitKind kind : kelvo::kLimitKinds) {
        if (const auto& value = line.output_limits[kind]) {
            KELVO_FUZZ_REQUIRE(std::isfinite(*value));
            KELVO_FUZZ_REQUIRE(*value >= kelvo::limit_lowest(kind));
            KELVO_FUZZ_REQUIRE(*value <= kelvo::limit_highest(kind));
        }
    }
    return 0;
}
