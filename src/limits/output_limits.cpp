// SPDX-License-Identifier: GPL-3.0-or-later
#include "limits/output_limits.h"

#include "base/limits.h"
#include "base/texts.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace kelvo {

namespace {

struct KindFacts {
    const char* key;
    double lowest;
    double highest;
    bool zero_allowed; // a highest set-point of 0 is a limit; a period of 0 s is none
    const char* unit;
};

constexpr double kYearSeconds = 366.0 * 24 * 3600;
constexpr double kLargestFigure = 1e9;
constexpr double kDaySeconds = 24.0 * 3600;

const KindFacts& facts(LimitKind kind) {
    static const KindFacts table[] = {
        {"max-voltage", 0, limits::kMaxVolts, true, "V"},
        {"max-current", 0, limits::kMaxAmperes, true, "A"},
        {"max-time", 0, kYearSeconds, false, "s"},
        {"max-charge", 0, kLargestFigure, false, "mAh"},
        {"max-energy", 0, kLargestFigure, false, "mWh"},
        {"off-after-silence", 1, kDaySeconds, true, "s"},
    };
    return table[static_cast<std::size_t>(kind)];
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) {
        text.remove_suffix(1);
    }
    return text;
}

// A code from a limit in volts or amperes: the highest whole code that does not exceed it
// (a limit of 5.005 V allows 5.00 V), with room for the binary form of decimals (5.1 A is
// 5099.9999... mA).
std::int16_t code_under(double value, int per_unit) {
    return static_cast<std::int16_t>(std::floor(value * per_unit + 1e-6));
}

} // namespace

bool OutputLimits::any() const {
    for (const auto& value : values) {
        if (value) {
            return true;
        }
    }
    return false;
}

std::int16_t OutputLimits::voltage_code() const {
    const auto& limit = (*this)[LimitKind::Voltage];
    return limit ? code_under(*limit, limits::kCodesPerVolt) : limits::kMaxVoltageCode;
}

std::int16_t OutputLimits::current_code() const {
    const auto& limit = (*this)[LimitKind::Current];
    return limit ? code_under(*limit, limits::kCodesPerAmpere) : limits::kMaxCurrentCode;
}

const char* limit_key(LimitKind kind) {
    return facts(kind).key;
}

std::optional<LimitKind> limit_of_key(std::string_view key) {
    for (const LimitKind kind : kLimitKinds) {
        if (key == facts(kind).key) {
            return kind;
        }
    }
    return std::nullopt;
}

double limit_lowest(LimitKind kind) {
    return facts(kind).lowest;
}

double limit_highest(LimitKind kind) {
    return facts(kind).highest;
}

LimitValue parse_limit(LimitKind kind, std::string_view text) {
    text = trimmed(text);
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
    }
    double value = 0;
    const std::string digits(text);
    const char* const end = digits.c_str() + digits.size();
    const auto [stop, error] = std::from_chars(digits.c_str(), end, value);
    // "nan", "inf" and "1e999" read as numbers (or nearly) and pass no test honestly.
    if (text.empty() || error != std::errc() || stop != end || !std::isfinite(value)) {
        return {std::nullopt, LimitRefusal::NotANumber};
    }
    const KindFacts& f = facts(kind);
    const bool low = f.zero_allowed ? value < f.lowest : value <= f.lowest;
    if (low || value > f.highest) {
        return {std::nullopt, LimitRefusal::OutOfRange};
    }
    return {value, LimitRefusal::None};
}

std::string limit_number_text(double value) {
    // At most three decimals, no trailing zeros: "5", "4.5", "0.125".
    char text[64];
    std::snprintf(text, sizeof text, "%.3f", value);
    std::string out = text;
    while (out.back() == '0') {
        out.pop_back();
    }
    if (out.back() == '.') {
        out.pop_back();
    }
    return out;
}

std::string limit_value_text(LimitKind kind, double value) {
    char text[64];
    switch (kind) {
    case LimitKind::Voltage:
        std::snprintf(text, sizeof text, "%.2f V",
                      code_under(value, limits::kCodesPerVolt) / 100.0);
        return text;
    case LimitKind::Current:
        std::snprintf(text, sizeof text, "%.3f A",
                      code_under(value, limits::kCodesPerAmpere) / 1000.0);
        return text;
    default:
        return limit_number_text(value) + " " + facts(kind).unit;
    }
}

std::string limit_refusal(LimitKind kind, LimitRefusal refusal, std::string_view typed) {
    const std::string name = texts::in(true, limit_name_text(kind));
    if (refusal == LimitRefusal::NotANumber) {
        return texts::fill(texts::kLimitNotANumber.en, {name, typed});
    }
    const std::string highest = limit_value_text(kind, facts(kind).highest);
    if (!facts(kind).zero_allowed) {
        return texts::fill(texts::kLimitOutOfRangeAboveZero.en,
                           {name, facts(kind).unit, highest, typed});
    }
    return texts::fill(texts::kLimitOutOfRange.en,
                       {name, limit_value_text(kind, facts(kind).lowest), highest, typed});
}

const texts::Text& limit_name_text(LimitKind kind) {
    static const texts::Text* const names[] = {
        &texts::kLimitVoltageName, &texts::kLimitCurrentName, &texts::kLimitTimeName,
        &texts::kLimitChargeName,  &texts::kLimitEnergyName,  &texts::kLimitSilenceName};
    return *names[static_cast<std::size_t>(kind)];
}

std::string voltage_code_text(int code) {
    return limit_value_text(LimitKind::Voltage, code / double(limits::kCodesPerVolt));
}

std::string current_code_text(int code) {
    return limit_value_text(LimitKind::Current, code / double(limits::kCodesPerAmpere));
}

std::string limits_file_text(const OutputLimits& limits) {
    std::string text;
    for (const LimitKind kind : kLimitKinds) {
        if (const auto& value = limits[kind]) {
            text += std::string(limit_key(kind)) + "=" + limit_number_text(*value) + "\n";
        }
    }
    return text;
}

std::optional<OutputLimits> read_limits_file(std::string_view text, std::string& why) {
    OutputLimits limits;
    int number = 0;
    while (!text.empty()) {
        const std::size_t end = std::min(text.find('\n'), text.size());
        const std::string_view line = trimmed(text.substr(0, end));
        text.remove_prefix(std::min(end + 1, text.size()));
        ++number;
        if (line.empty() || line.front() == '#') {
            continue;
        }
        const auto refuse = [&why, number](const std::string& reason) {
            why = texts::fill(texts::kLimitsFileLine.en, {std::to_string(number), reason});
            return std::nullopt;
        };
        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos) {
            return refuse(texts::kLimitsFileNotLine.en);
        }
        const std::string_view key = trimmed(line.substr(0, equals));
        const auto kind = limit_of_key(key);
        if (!kind) {
            return refuse(texts::fill(texts::kLimitsFileUnknownKey.en, {key}));
        }
        if (limits[*kind]) {
            return refuse(texts::fill(texts::kLimitsFileRepeatedKey.en, {key}));
        }
        const std::string_view value_text = trimmed(line.substr(equals + 1));
        const LimitValue value = parse_limit(*kind, value_text);
        if (!value.value) {
            return refuse(limit_refusal(*kind, value.refusal, value_text));
        }
        limits[*kind] = value.value;
    }
    return limits;
}

std::string limits_summary(const OutputLimits& limits) {
    std::string text;
    for (const LimitKind kind : kLimitKinds) {
        if (const auto& value = limits[kind]) {
            text += (text.empty() ? "" : "; ") + std::string(limit_key(kind)) + "=" +
                    limit_value_text(kind, *value);
        }
    }
    return text;
}

} // namespace kelvo
