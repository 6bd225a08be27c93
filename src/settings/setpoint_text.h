// settings/ owns the voltage and current set-points: their text check, conversion,
// delayed commit and the front-panel controls.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kelvo {

// True when a set-point text is refused: longer than six characters, the unit letter
// missing or not last, a character other than digits, "." and the unit, or more than one
// "." or unit letter. An empty text passes.
bool Text_err(std::string_view text, char unit);

// The number a text begins with, as the program reads numbers typed by people: blanks
// skipped, an optional sign, digits with at most one point ("12.34V" 12.34, ".5V" 0.5,
// "5.V" 5, "V" 0, "abc" 0).
double leading_number(std::string_view text);

// Nearest integer, a value exactly halfway going to the even neighbour.
double round_half_even(double value);

// The code of a set-point value (volts or amperes) in codes of 1/factor, or nothing when out
// of 0..limit. The range is tested on the unrounded product, so 31 V (3100) passes and
// 31.01 V (3101) does not; the code is rounded halves to even.
std::optional<std::int16_t> setpoint_code(double value, double factor, double limit);

// Nearest 16-bit integer (halves to even), clamped to the 16-bit range.
std::int16_t to_int16(double value);

// position / divisor as the shortest plain decimal followed by the unit:
// 1234/100 "12.34V", 1230/100 "12.3V", 50/100 "0.5V", 5/1000 "0.005A".
std::string slider_text(int position, int divisor, char unit);

} // namespace kelvo
