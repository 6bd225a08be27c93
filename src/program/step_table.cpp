// SPDX-License-Identifier: GPL-3.0-or-later
#include "program/step_table.h"

#include "base/limits.h"
#include "base/texts.h"
#include "settings/setpoint_text.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>

namespace kelvo {

std::optional<double> cell_number(const platform::FieldValue& cell) {
    if (std::holds_alternative<std::monostate>(cell)) {
        return 0.0;
    }
    if (const double* number = std::get_if<double>(&cell)) {
        return std::isfinite(*number) ? std::optional<double>(*number) : std::nullopt;
    }
    std::string_view text = std::get<std::string>(cell);
    while (!text.empty() && text.front() == ' ') {
        text.remove_prefix(1);
    }
    while (!text.empty() && text.back() == ' ') {
        text.remove_suffix(1);
    }
    if (text.empty()) {
        return 0.0;
    }
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    // "nan" and "inf" read as numbers but would pass every range test.
    if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

bool same_field_name(std::string_view name, std::string_view wanted) {
    return std::equal(name.begin(), name.end(), wanted.begin(), wanted.end(), [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) ==
               std::tolower(static_cast<unsigned char>(b));
    });
}

std::array<int, 5> condition_fields(const platform::RecordSet& records) {
    std::array<int, 5> positions{-1, -1, -1, -1, -1};
    for (std::size_t cell = 0; cell < positions.size(); ++cell) {
        // Field 0 is the id, 1..3 the described ones: none of them is ever a condition.
        for (int field = 4; field < records.field_count() && positions[cell] < 0; ++field) {
            if (same_field_name(records.field_name(field), platform::kConditionFieldNames[cell])) {
                positions[cell] = field;
            }
        }
    }
    return positions;
}

std::string step_row_prompt(int row, bool voltage) {
    return texts::fill(texts::kStepRowPrompt.en,
                       {std::to_string(row + 1),
                        (voltage ? texts::kVoltageRangePrompt : texts::kCurrentRangePrompt).en});
}

std::optional<std::int16_t> parse_run_count(std::string_view text) {
    while (!text.empty() && text.front() == ' ') {
        text.remove_prefix(1);
    }
    while (!text.empty() && text.back() == ' ') {
        text.remove_suffix(1);
    }
    if (text.empty() ||
        !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return std::nullopt;
    }
    while (text.size() > 1 && text.front() == '0') {
        text.remove_prefix(1); // "007" is 7
    }
    if (text.size() > 5) {
        return std::nullopt;
    }
    int count = 0;
    std::from_chars(text.data(), text.data() + text.size(), count);
    if (count < 1 || count > limits::kMaxRuns) {
        return std::nullopt;
    }
    return static_cast<std::int16_t>(count);
}

} // namespace kelvo
