// remote/: the numeric parameters of the commands that set a value: a number with its
// unit and multiplier ("1500mV", "0.25 A") or one of the bounds MINimum, MAXimum, DEFault.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string_view>

namespace kelvo::remote {

enum class Bound { Minimum, Maximum, Default };

// MIN, MINIMUM, MAX, MAXIMUM, DEF, DEFAULT, any case.
std::optional<Bound> parse_bound(std::string_view text);

// The unit a parameter is given in.
enum class Quantity { Volts, Amperes, Seconds };

// A parameter: its value in volts, amperes or seconds, a bound, or the error number that
// refuses it (-102 no number, -131 a suffix that is not this quantity's).
struct Parameter {
    std::optional<double> value;
    std::optional<Bound> bound;
    int error = 0;
};

// "5", "1500mV", "1.5 V", "250 MA" (milliamperes, as SCPI reads "MA" after a current),
// "20ms", "MAX". The suffix may be the unit alone or with M (milli) or U (micro) before it,
// in any case, with blanks between it and the number.
Parameter parse_parameter(std::string_view text, Quantity quantity);

} // namespace kelvo::remote
