// What a remote client sends: bytes cut into lines (split where the first byte says), each
// line's commands parsed. Every line comes out no longer than the limit; every command is
// either known, with its text found in the line (a ";" in it only quoted), or refused with
// one of the errors the program knows; only a query that may name a bound keeps an
// argument; every number read is a number, and a parameter with a unit is a value, a
// bound or a known refusal.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "check.h"
#include "remote/scpi_lines.h"
#include "remote/scpi_parser.h"
#include "remote/scpi_values.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string_view>

using namespace kelvo::remote;

namespace {

bool known_error(int number) {
    switch (number) {
    case error::kParameterNotAllowed:
    case error::kMissingParameter:
    case error::kUndefinedHeader:
        return true;
    default:
        return false;
    }
}

// A command's text holds a ";" only inside a quoted string.
bool semicolons_quoted(std::string_view text) {
    char quote = 0;
    for (const char c : text) {
        if (quote != 0) {
            quote = c == quote ? 0 : quote;
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == ';') {
            return false;
        }
    }
    return true;
}

void check_line(std::string_view line) {
    KELVO_FUZZ_REQUIRE(line.size() <= kMaxLineBytes);
    KELVO_FUZZ_REQUIRE(line.find('\n') == std::string_view::npos);
    for (const Parsed& parsed : parse_line(line)) {
        if (!parsed.unit) {
            KELVO_FUZZ_REQUIRE(known_error(parsed.error));
            continue;
        }
        const Unit& unit = *parsed.unit;
        KELVO_FUZZ_REQUIRE(!unit.text.empty() && line.find(unit.text) != std::string_view::npos);
        KELVO_FUZZ_REQUIRE(semicolons_quoted(unit.text));
        const bool bound_query = unit.header == Header::Voltage || unit.header == Header::Current ||
                                 unit.header == Header::VoltageProtection;
        KELVO_FUZZ_REQUIRE(!unit.query || unit.argument.empty() || bound_query);
        if (const auto number = parse_number(unit.argument)) {
            KELVO_FUZZ_REQUIRE(!std::isnan(*number));
        }
        for (const Quantity quantity : {Quantity::Volts, Quantity::Amperes}) {
            const Parameter parameter = parse_parameter(unit.argument, quantity);
            const int known = (parameter.value ? 1 : 0) + (parameter.bound ? 1 : 0) +
                              (parameter.error != 0 ? 1 : 0);
            KELVO_FUZZ_REQUIRE(known == 1);
            KELVO_FUZZ_REQUIRE(parameter.error == 0 || parameter.error == error::kSyntax ||
                               parameter.error == error::kInvalidSuffix);
            KELVO_FUZZ_REQUIRE(!parameter.value || !std::isnan(*parameter.value));
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const std::size_t piece = bytes[0] % 64 + 1;
    const std::string_view data(reinterpret_cast<const char*>(bytes + 1), size - 1);
    LineAssembler lines;
    for (std::size_t at = 0; at < data.size(); at += piece) {
        lines.feed(data.substr(at, piece), [](std::string_view line, bool too_long) {
            KELVO_FUZZ_REQUIRE(!too_long || line.empty());
            check_line(line);
        });
        KELVO_FUZZ_REQUIRE(lines.held() <= kMaxLineBytes + 1);
    }
    return 0;
}
