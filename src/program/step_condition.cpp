// SPDX-License-Identifier: GPL-3.0-or-later
#include "program/step_condition.h"

#include "base/limits.h"
#include "base/texts.h"
#include "program/step_csv.h"
#include "program/step_table.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>

namespace kelvo {

namespace {

constexpr double kCoulombsPerMah = 3.6;
constexpr double kJoulesPerMwh = 3.6;
constexpr double kHighestFigure = 1e9; // mAh or mWh, as the limits take them

bool empty_cell(const platform::FieldValue& cell) {
    if (std::holds_alternative<std::monostate>(cell)) {
        return true;
    }
    const std::string* text = std::get_if<std::string>(&cell);
    return text != nullptr && text->find_first_not_of(' ') == std::string::npos;
}

std::string cell_text(const platform::FieldValue& cell) {
    if (const std::string* text = std::get_if<std::string>(&cell)) {
        return *text;
    }
    if (const double* number = std::get_if<double>(&cell)) {
        return std::isfinite(*number) ? shortest_text(*number) : std::string("?");
    }
    return {};
}

// A time cell: empty (set false), or whole seconds from 0 to a year; ok false otherwise.
struct TimeCell {
    bool ok = true;
    bool set = false;
    int seconds = 0;
};
TimeCell read_time(const platform::FieldValue& cell) {
    if (empty_cell(cell)) {
        return {};
    }
    const auto number = cell_number(cell);
    if (!number || *number < 0 || *number > kMaxConditionSeconds ||
        std::abs(*number - std::round(*number)) > 1e-9) {
        return {false, false, 0};
    }
    return {true, true, static_cast<int>(std::lround(*number))};
}

std::string level_text(ConditionKind kind, double level) {
    char text[48];
    switch (kind) {
    case ConditionKind::CurrentBelow:
    case ConditionKind::CurrentAbove:
        std::snprintf(text, sizeof text, "%.3f A", level);
        return text;
    case ConditionKind::VoltageBelow:
    case ConditionKind::VoltageAbove:
        std::snprintf(text, sizeof text, "%.2f V", level);
        return text;
    case ConditionKind::PowerBelow:
    case ConditionKind::PowerAbove:
        std::snprintf(text, sizeof text, "%.3f W", level);
        return text;
    case ConditionKind::ChargeAbove:
    case ConditionKind::EnergyAbove:
    case ConditionKind::None:
        break;
    }
    return shortest_text(level) + ' ' + condition_unit(kind);
}

} // namespace

bool parse_word(std::string_view text, std::string_view word) {
    while (!text.empty() && text.front() == ' ') {
        text.remove_prefix(1);
    }
    while (!text.empty() && text.back() == ' ') {
        text.remove_suffix(1);
    }
    return word.size() == text.size() &&
           std::equal(word.begin(), word.end(), text.begin(), [](char a, char b) {
               return std::tolower(static_cast<unsigned char>(a)) ==
                      std::tolower(static_cast<unsigned char>(b));
           });
}

const char* condition_token(ConditionKind kind) {
    switch (kind) {
    case ConditionKind::None:
        return "";
    case ConditionKind::CurrentBelow:
        return "I<";
    case ConditionKind::CurrentAbove:
        return "I>";
    case ConditionKind::VoltageBelow:
        return "V<";
    case ConditionKind::VoltageAbove:
        return "V>";
    case ConditionKind::PowerBelow:
        return "P<";
    case ConditionKind::PowerAbove:
        return "P>";
    case ConditionKind::ChargeAbove:
        return "mAh>";
    case ConditionKind::EnergyAbove:
        return "mWh>";
    }
    return "";
}

std::optional<ConditionKind> parse_condition_token(std::string_view text) {
    for (const ConditionKind kind : kConditionKinds) {
        if (parse_word(text, condition_token(kind))) {
            return kind;
        }
    }
    return std::nullopt;
}

const char* condition_unit(ConditionKind kind) {
    switch (kind) {
    case ConditionKind::CurrentBelow:
    case ConditionKind::CurrentAbove:
        return "A";
    case ConditionKind::VoltageBelow:
    case ConditionKind::VoltageAbove:
        return "V";
    case ConditionKind::PowerBelow:
    case ConditionKind::PowerAbove:
        return "W";
    case ConditionKind::ChargeAbove:
        return "mAh";
    case ConditionKind::EnergyAbove:
        return "mWh";
    case ConditionKind::None:
        break;
    }
    return "";
}

double condition_highest(ConditionKind kind) {
    switch (kind) {
    case ConditionKind::CurrentBelow:
    case ConditionKind::CurrentAbove:
        return limits::kMaxAmperes;
    case ConditionKind::VoltageBelow:
    case ConditionKind::VoltageAbove:
        return limits::kMaxVolts;
    case ConditionKind::PowerBelow:
    case ConditionKind::PowerAbove:
        return limits::kMaxVolts * limits::kMaxAmperes;
    case ConditionKind::ChargeAbove:
    case ConditionKind::EnergyAbove:
        return kHighestFigure;
    case ConditionKind::None:
        break;
    }
    return 0;
}

namespace {

// What follows a met condition: blank or "next" goes on, "stop" ends the run; nothing for
// any other word.
std::optional<bool> read_then(const platform::FieldValue& then) {
    if (empty_cell(then)) {
        return false;
    }
    const auto* word = std::get_if<std::string>(&then);
    if (word != nullptr && parse_word(*word, "next")) {
        return false;
    }
    if (word != nullptr && parse_word(*word, "stop")) {
        return true;
    }
    return std::nullopt;
}

// A blank kind is no condition; nothing for a kind that is not one.
std::optional<ConditionKind> read_kind(const platform::FieldValue& cell) {
    if (empty_cell(cell)) {
        return ConditionKind::None;
    }
    const std::string* token = std::get_if<std::string>(&cell);
    return token != nullptr ? parse_condition_token(*token) : std::nullopt;
}

// The first cell after the kind that holds something; 0 when they are all blank.
int first_filled(const ConditionCells& cells) {
    for (int cell = 1; cell < kConditionCells; ++cell) {
        if (!empty_cell(cells[static_cast<std::size_t>(cell)])) {
            return cell;
        }
    }
    return 0;
}

} // namespace

ConditionCheck read_condition(const ConditionCells& cells) {
    using Kind = ConditionProblem::Kind;
    ConditionCheck check;
    const auto refuse = [&check, &cells](Kind kind, int cell) {
        check.condition = {};
        check.problem = {kind, cell, cell_text(cells[static_cast<std::size_t>(cell)]), {}};
        return check;
    };
    const std::optional<ConditionKind> kind = read_kind(cells[0]);
    if (!kind) {
        return refuse(Kind::UnknownKind, 0);
    }
    if (*kind == ConditionKind::None) {
        const int filled = first_filled(cells);
        return filled == 0 ? check : refuse(Kind::WithoutKind, filled);
    }
    check.condition.kind = *kind;
    if (empty_cell(cells[1])) {
        return refuse(Kind::NoLevel, 1);
    }
    const auto level = cell_number(cells[1]);
    if (!level) {
        return refuse(Kind::LevelNotANumber, 1);
    }
    if (*level < 0 || *level > condition_highest(*kind)) {
        refuse(Kind::LevelOutOfRange, 1);
        check.problem.highest =
            shortest_text(condition_highest(*kind)) + ' ' + condition_unit(*kind);
        return check;
    }
    check.condition.level = *level;
    const TimeCell shortest = read_time(cells[2]);
    if (!shortest.ok) {
        return refuse(Kind::TimeNotWhole, 2);
    }
    const TimeCell longest = read_time(cells[3]);
    if (!longest.ok) {
        return refuse(Kind::TimeNotWhole, 3);
    }
    const std::optional<bool> ends_run = read_then(cells[4]);
    if (!ends_run) {
        return refuse(Kind::UnknownThen, 4);
    }
    check.condition.ends_run = *ends_run;
    check.condition.shortest = shortest.seconds;
    check.condition.longest = longest.set ? std::optional<int>{longest.seconds} : std::nullopt;
    if (check.condition.longest && *check.condition.longest < check.condition.shortest) {
        return refuse(Kind::LongestTooShort, 3);
    }
    return check;
}

std::string describe(const ConditionProblem& problem, bool english) {
    using Kind = ConditionProblem::Kind;
    static constexpr std::array<const texts::Text*, kConditionCells> kCellNames{
        &texts::kConditionEndWhen, &texts::kConditionLevel, &texts::kConditionShortest,
        &texts::kConditionLongest, &texts::kConditionThen};
    const std::string cell =
        texts::in(english, *kCellNames[static_cast<std::size_t>(std::clamp(problem.cell, 0, 4))]);
    const texts::Text* why = &texts::kConditionUnknown;
    std::string range;
    switch (problem.kind) {
    case Kind::None:
        return {};
    case Kind::UnknownKind:
        break;
    case Kind::NoLevel:
        why = &texts::kConditionNoLevel;
        break;
    case Kind::LevelNotANumber:
        why = &texts::kConditionNotANumber;
        break;
    case Kind::LevelOutOfRange:
        why = &texts::kConditionLevelRange;
        range = problem.highest;
        break;
    case Kind::TimeNotWhole:
        why = &texts::kConditionTimeWhole;
        range = std::to_string(kMaxConditionSeconds);
        break;
    case Kind::LongestTooShort:
        why = &texts::kConditionLongestShort;
        break;
    case Kind::WithoutKind:
        why = &texts::kConditionWithoutKind;
        break;
    case Kind::UnknownThen:
        why = &texts::kConditionUnknownThen;
        break;
    }
    return texts::fill(texts::in(english, *why), {cell, problem.value, range});
}

ConditionCells condition_cells(const StepCondition& condition) {
    ConditionCells cells{};
    if (condition.kind == ConditionKind::None) {
        return cells;
    }
    cells[0] = std::string(condition_token(condition.kind));
    cells[1] = condition.level;
    if (condition.shortest > 0) {
        cells[2] = static_cast<double>(condition.shortest);
    }
    if (condition.longest) {
        cells[3] = static_cast<double>(*condition.longest);
    }
    if (condition.ends_run) {
        cells[4] = std::string("stop");
    }
    return cells;
}

std::string condition_text(const StepCondition& condition) {
    if (condition.kind == ConditionKind::None) {
        return {};
    }
    std::string text =
        std::string(condition_token(condition.kind)) + level_text(condition.kind, condition.level);
    if (condition.shortest > 0 || condition.longest) {
        text += ", " + std::to_string(condition.shortest) + "..";
        text += condition.longest ? std::to_string(*condition.longest) : std::string();
        text += " s";
    }
    if (condition.ends_run) {
        text += ", stop";
    }
    return text;
}

namespace {

double measured(ConditionKind kind, const ConditionReading& reading) {
    switch (kind) {
    case ConditionKind::CurrentBelow:
    case ConditionKind::CurrentAbove:
        return reading.amps;
    case ConditionKind::VoltageBelow:
    case ConditionKind::VoltageAbove:
        return reading.volts;
    case ConditionKind::PowerBelow:
    case ConditionKind::PowerAbove:
        return reading.volts * reading.amps;
    case ConditionKind::ChargeAbove:
        return reading.coulombs / kCoulombsPerMah;
    case ConditionKind::EnergyAbove:
        return reading.joules / kJoulesPerMwh;
    case ConditionKind::None:
        break;
    }
    return 0;
}

} // namespace

bool condition_met(const StepCondition& condition, const ConditionReading& reading) {
    const double value = measured(condition.kind, reading);
    switch (condition.kind) {
    case ConditionKind::CurrentBelow:
    case ConditionKind::VoltageBelow:
    case ConditionKind::PowerBelow:
        return value < condition.level;
    case ConditionKind::CurrentAbove:
    case ConditionKind::VoltageAbove:
    case ConditionKind::PowerAbove:
    case ConditionKind::ChargeAbove:
    case ConditionKind::EnergyAbove:
        return value > condition.level;
    case ConditionKind::None:
        break;
    }
    return false;
}

std::string condition_value_text(const StepCondition& condition, const ConditionReading& reading) {
    return level_text(condition.kind, measured(condition.kind, reading));
}

const char* step_end_word(StepEnd end) {
    switch (end) {
    case StepEnd::Seconds:
        return "seconds";
    case StepEnd::Condition:
        return "condition";
    case StepEnd::Longest:
        return "longest time";
    case StepEnd::RunEnded:
        return "run ended";
    }
    return "";
}

std::optional<StepEnd> step_end_of_word(std::string_view detail) {
    for (const StepEnd end :
         {StepEnd::Seconds, StepEnd::Condition, StepEnd::Longest, StepEnd::RunEnded}) {
        const std::string_view word = step_end_word(end);
        if (detail.substr(0, word.size()) == word &&
            (detail.size() == word.size() || detail[word.size()] == ':')) {
            return end;
        }
    }
    return std::nullopt;
}

} // namespace kelvo
