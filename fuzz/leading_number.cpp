// The leading-number parse, the run count and the step-table cells: any text gives a
// number (never NaN) that converts to a 16-bit code without undefined behaviour, a run
// count is exactly a whole number from 1 to 32767, and a cell is a finite number or none
// whose step codes stay in range when it passes the check at RUN.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "chart/chart.h"
#include "check.h"
#include "platform/services.h"
#include "program/step_table.h"
#include "settings/setpoint_text.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

using namespace kelvo;

namespace {

// The same reading done another way: the characters leading_number takes, through strtod.
double reference_leading_number(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) {
        ++i;
    }
    std::string taken;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
        taken += text[i++];
    }
    bool point = false;
    bool digit = false;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c >= '0' && c <= '9') {
            digit = true;
        } else if (c == '.' && !point) {
            point = true;
        } else {
            break;
        }
        taken += c;
    }
    return digit ? std::strtod(taken.c_str(), nullptr) : 0.0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(bytes), size);

    // A typed run count: digits only, blanks around them allowed, 1 to 32767.
    const auto runs = parse_run_count(text);
    {
        const std::size_t first = text.find_first_not_of(' ');
        const std::size_t last = text.find_last_not_of(' ');
        std::string bare =
            first == std::string::npos ? std::string() : text.substr(first, last - first + 1);
        while (bare.size() > 1 && bare.front() == '0' && bare[1] >= '0' && bare[1] <= '9') {
            bare.erase(0, 1);
        }
        const bool digits_only =
            !bare.empty() && bare.find_first_not_of("0123456789") == std::string::npos;
        const bool in_range = digits_only && bare.size() <= 12 &&
                              std::strtoll(bare.c_str(), nullptr, 10) >= 1 &&
                              std::strtoll(bare.c_str(), nullptr, 10) <= 32767;
        KELVO_FUZZ_REQUIRE(runs.has_value() == in_range);
        KELVO_FUZZ_REQUIRE(!runs || *runs == std::strtoll(bare.c_str(), nullptr, 10));
    }

    // A leading number.
    const double number = leading_number(text);
    KELVO_FUZZ_REQUIRE(!std::isnan(number));
    const double expected = reference_leading_number(text);
    KELVO_FUZZ_REQUIRE(number == expected);
    const std::int16_t count = to_int16(number);
    KELVO_FUZZ_REQUIRE(count == to_int16(round_half_even(number)));
    if (number >= INT16_MAX) {
        KELVO_FUZZ_REQUIRE(count == INT16_MAX);
    } else if (number <= INT16_MIN) {
        KELVO_FUZZ_REQUIRE(count == INT16_MIN);
    } else {
        KELVO_FUZZ_REQUIRE(std::fabs(count - number) <= 0.5);
    }
    // The step codes: volts and amperes scaled, seconds as they are.
    to_int16(number * 100);
    to_int16(number * 1000);

    // A step-table cell held as text.
    const auto cell = cell_number(platform::FieldValue{text});
    if (cell) {
        KELVO_FUZZ_REQUIRE(std::isfinite(*cell));
        const std::int16_t volts = to_int16(*cell * 100);
        const std::int16_t amps = to_int16(*cell * 1000);
        // What passes the check at RUN is sent as it is, never as a wrapped code.
        if (*cell >= 0 && *cell <= 31) {
            KELVO_FUZZ_REQUIRE(volts >= 0 && volts <= 3100);
        }
        if (*cell >= 0 && *cell <= 5.1) {
            KELVO_FUZZ_REQUIRE(amps >= 0 && amps <= 5100);
        }
        // A plain decimal cell reads as the same number a typed text does.
        if (text.find_first_not_of(" -.0123456789") == std::string::npos) {
            KELVO_FUZZ_REQUIRE(*cell == number);
        }
    }
    // A cell held as a number, from the first eight bytes.
    if (size >= sizeof(double)) {
        double raw = 0;
        std::memcpy(&raw, bytes, sizeof raw);
        const auto held = cell_number(platform::FieldValue{raw});
        KELVO_FUZZ_REQUIRE(held.has_value() == std::isfinite(raw));
        KELVO_FUZZ_REQUIRE(!held || *held == raw);
    }

    // A chart reading field: its leading digits, as a whole number.
    const double field = chart::field_value(text);
    KELVO_FUZZ_REQUIRE(field >= 0);
    const std::size_t digits = std::min(text.find_first_not_of("0123456789"), text.size());
    if (digits <= 15) {
        KELVO_FUZZ_REQUIRE(
            field == (digits == 0 ? 0.0 : std::strtod(text.substr(0, digits).c_str(), nullptr)));
    }
    return 0;
}
