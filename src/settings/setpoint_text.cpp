// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/setpoint_text.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace kelvo {

bool Text_err(std::string_view text, char unit) {
    bool rejected = text.size() > 6;
    const auto first_unit = text.find(unit);
    const std::size_t unit_position = first_unit == std::string_view::npos ? 0 : first_unit + 1;
    if (unit_position != text.size()) {
        rejected = true;
    }
    int points = 0;
    int units = 0;
    for (const char c : text) {
        if (c == '.') {
            ++points;
        } else if (c == unit) {
            ++units;
        } else if (c < '0' || c > '9') {
            rejected = true;
        }
    }
    return rejected || points > 1 || units > 1;
}

double leading_number(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) {
        ++i;
    }
    double sign = 1;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
        sign = text[i] == '-' ? -1 : 1;
        ++i;
    }
    // Digits are gathered and converted once, so 0.015 reads as the same double as the
    // literal 0.015.
    std::string digits;
    bool point_seen = false;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c >= '0' && c <= '9') {
            digits += c;
        } else if (c == '.' && !point_seen) {
            point_seen = true;
            digits += c;
        } else {
            break;
        }
    }
    if (digits.empty() || digits == ".") {
        return 0;
    }
    // from_chars ignores the locale: the point is always ".".
    double value = 0;
    const auto read = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (read.ec == std::errc::result_out_of_range) {
        // Past the range of a double, which leaves value untouched: a whole part that
        // large reads as infinity (a run count of hundreds of digits is the most there
        // can be, not none), a fraction that small as 0.
        const bool whole_part = digits.find_first_of("123456789") < digits.find('.');
        value = whole_part ? std::numeric_limits<double>::infinity() : 0;
    }
    return sign * value;
}

double round_half_even(double value) {
    const double floor = std::floor(value);
    const double diff = value - floor;
    if (diff < 0.5) {
        return floor;
    }
    if (diff > 0.5) {
        return floor + 1;
    }
    return std::fmod(floor, 2.0) == 0 ? floor : floor + 1;
}

std::optional<std::int16_t> setpoint_code(double value, double factor, double limit) {
    const double product = value * factor;
    if (product > limit || product < 0) {
        return std::nullopt;
    }
    return to_int16(product);
}

std::int16_t to_int16(double value) {
    if (std::isnan(value)) {
        return 0;
    }
    const double rounded = round_half_even(value);
    if (rounded > std::numeric_limits<std::int16_t>::max()) {
        return std::numeric_limits<std::int16_t>::max();
    }
    if (rounded < std::numeric_limits<std::int16_t>::min()) {
        return std::numeric_limits<std::int16_t>::min();
    }
    return static_cast<std::int16_t>(rounded);
}

std::string slider_text(int position, int divisor, char unit) {
    const bool negative = position < 0;
    const int magnitude = negative ? -position : position;
    std::string text = std::to_string(magnitude / divisor);
    std::string fraction;
    int rest = magnitude % divisor;
    for (int d = divisor / 10; d > 0 && rest > 0; d /= 10) {
        fraction += static_cast<char>('0' + rest / d);
        rest %= d;
    }
    if (!fraction.empty()) {
        text += '.' + fraction;
    }
    return (negative ? "-" : "") + text + unit;
}

} // namespace kelvo
