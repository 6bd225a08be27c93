// limits/ owns what guards the device under test: the highest voltage and current the
// program may send, and the time, charge, energy and silence that end an output period.
// The values, their texts and their file; the window model checks them (app/limits_guard.cpp).
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kelvo {

namespace texts {
struct Text;
}

// The limits the user can set, in the order the window, the file and the options list them.
enum class LimitKind { Voltage, Current, Time, Charge, Energy, Silence };
inline constexpr std::array<LimitKind, 6> kLimitKinds{LimitKind::Voltage, LimitKind::Current,
                                                      LimitKind::Time,    LimitKind::Charge,
                                                      LimitKind::Energy,  LimitKind::Silence};

// Each limit is either unset (nothing is checked) or a value in the unit of its option:
// volts, amperes, seconds, mAh, mWh, seconds.
struct OutputLimits {
    std::array<std::optional<double>, kLimitKinds.size()> values{};

    std::optional<double>& operator[](LimitKind kind) {
        return values[static_cast<std::size_t>(kind)];
    }
    const std::optional<double>& operator[](LimitKind kind) const {
        return values[static_cast<std::size_t>(kind)];
    }
    bool any() const;
    friend bool operator==(const OutputLimits&, const OutputLimits&) = default;

    // The highest set-point code the wire may carry: 10 mV and 1 mA codes, the supply's own
    // highest without a limit.
    std::int16_t voltage_code() const;
    std::int16_t current_code() const;
};

// "max-voltage", "max-current", "max-time", "max-charge", "max-energy", "off-after-silence":
// the option's name without its dashes, and the key in the limits file.
const char* limit_key(LimitKind kind);
// The kind a key names.
std::optional<LimitKind> limit_of_key(std::string_view key);

// Why a value was refused: not a number, or outside what the limit can be.
enum class LimitRefusal { None, NotANumber, OutOfRange };

// A value typed or given on the command line ("5", " 4.5 ", "0.25"): the number, or why not.
// Voltage 0..31 V, current 0..5.1 A; time, charge, energy above 0 and at most a year, 1e9
// mAh, 1e9 mWh; silence 1 to 86400 s.
struct LimitValue {
    std::optional<double> value;
    LimitRefusal refusal = LimitRefusal::None;
};
LimitValue parse_limit(LimitKind kind, std::string_view text);
// The range a limit accepts, for the messages that refuse one.
double limit_lowest(LimitKind kind);
double limit_highest(LimitKind kind);

// The limit's name in messages ("voltage limit"), in both languages.
const texts::Text& limit_name_text(LimitKind kind);
// Why a value was refused, in one English sentence that names the limit and its range:
// the messages, the command line and the limits file all say it so.
std::string limit_refusal(LimitKind kind, LimitRefusal refusal, std::string_view typed);

// A limit's value as the window and the messages show it, with its unit: "5.00 V",
// "1.000 A", "60 s", "250 mAh", "1200 mWh", "5 s" (as many decimals as the value has, at
// most three).
std::string limit_value_text(LimitKind kind, double value);
// A set-point or reading code as a limit's value shows it: 500 gives "5.00 V", "0.500 A".
std::string voltage_code_text(int code);
std::string current_code_text(int code);
// The value for an entry box, without its unit.
std::string limit_number_text(double value);

// The limits file: one "key=value" line per limit that is set, in the order above, e.g.
// "max-voltage=5\nmax-time=600\n". An empty file is no limits.
std::string limits_file_text(const OutputLimits& limits);
// All or nothing: a line that is not "key=value", an unknown or repeated key or a value
// refused by parse_limit fails the whole file, with the line in `why` ("line 3: ...").
std::optional<OutputLimits> read_limits_file(std::string_view text, std::string& why);
// The file's name in the user's data folder.
inline constexpr const char* kLimitsFileName = "limits.conf";
// A limits file is a few lines: anything larger is not one.
inline constexpr std::size_t kLimitsFileMaxBytes = 4096;

// The set limits in one line for the tool strip and the timeline: "max-voltage=5.00 V;
// max-time=60 s", empty when none is set.
std::string limits_summary(const OutputLimits& limits);

} // namespace kelvo
