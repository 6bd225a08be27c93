// program/: how a step may end on what the supply measures instead of on its seconds: the
// condition's cells, reading and checking them, and testing a reading against one.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/services.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace kelvo {

// What a step waits for. The token is what the "end when" cell holds, in either language.
enum class ConditionKind {
    None,         // ""      the step lasts its seconds
    CurrentBelow, // "I<"    amperes
    CurrentAbove, // "I>"    amperes
    VoltageBelow, // "V<"    volts
    VoltageAbove, // "V>"    volts
    PowerBelow,   // "P<"    watts
    PowerAbove,   // "P>"    watts
    ChargeAbove,  // "mAh>"  the period's charge so far, mAh
    EnergyAbove,  // "mWh>"  the period's energy so far, mWh
};
inline constexpr std::array<ConditionKind, 9> kConditionKinds{
    ConditionKind::None,         ConditionKind::CurrentBelow, ConditionKind::CurrentAbove,
    ConditionKind::VoltageBelow, ConditionKind::VoltageAbove, ConditionKind::PowerBelow,
    ConditionKind::PowerAbove,   ConditionKind::ChargeAbove,  ConditionKind::EnergyAbove};

// A step with a condition ends at the first fresh reading, from its shortest time on, that
// meets it, or at its longest time, whichever comes first; its seconds are not counted.
// Without a longest time only the condition (or STOP, a trip, a limit) ends it.
struct StepCondition {
    ConditionKind kind = ConditionKind::None;
    double level = 0;           // in the unit of the kind
    int shortest = 0;           // seconds of the step before the condition is tested
    std::optional<int> longest; // seconds after which the step ends anyway
    // "stop" in the then cell: the condition met ends the run, not only the step (a sweep
    // that stops where the device starts to draw). Its longest time still only ends the step.
    bool ends_run = false;
    friend bool operator==(const StepCondition&, const StepCondition&) = default;
};

// The condition's cells in the order of the table's fields after the three described ones:
// end when, level, shortest seconds, longest seconds, then ("" or "next": the next step;
// "stop": the run ends).
inline constexpr int kConditionCells = 5;
using ConditionCells = std::array<platform::FieldValue, kConditionCells>;
static_assert(platform::kConditionFieldNames.size() == kConditionCells);

// Whether text is the word, blanks around it and the letters' case aside.
bool parse_word(std::string_view text, std::string_view word);
// "I<", "mAh>", ... and "" for None.
const char* condition_token(ConditionKind kind);
// A token as typed: blanks around it and the letters' case do not matter ("i<", " mah> ").
std::optional<ConditionKind> parse_condition_token(std::string_view text);
// The level's unit: "A", "V", "W", "mAh", "mWh" ("" for None).
const char* condition_unit(ConditionKind kind);
// The highest level a kind accepts (its lowest is 0): 5.1 A, 31 V, 158.1 W, 1e9 mAh/mWh.
double condition_highest(ConditionKind kind);
// Shortest and longest times are whole seconds up to a year.
inline constexpr int kMaxConditionSeconds = 366 * 24 * 3600;

// What is wrong with a row's condition cells.
struct ConditionProblem {
    enum class Kind {
        None,
        UnknownKind,     // the end-when cell names no condition
        NoLevel,         // a condition without its level
        LevelNotANumber, //
        LevelOutOfRange, // below 0 or above the kind's highest
        TimeNotWhole,    // a time that is not a whole number of seconds from 0 to a year
        LongestTooShort, // the longest time is below the shortest
        WithoutKind,     // a level or a time given, but no condition
        UnknownThen,     // the then cell is neither empty, "next" nor "stop"
    };
    Kind kind = Kind::None;
    int cell = 0; // 0..4: the cell at fault
    std::string value;
    std::string highest; // the level's highest with its unit, for LevelOutOfRange
    friend bool operator==(const ConditionProblem&, const ConditionProblem&) = default;
};

struct ConditionCheck {
    StepCondition condition; // kind None when there is none or a problem
    ConditionProblem problem;
    bool ok() const { return problem.kind == ConditionProblem::Kind::None; }
};
// Empty cells throughout: a step that lasts its seconds.
ConditionCheck read_condition(const ConditionCells& cells);

// The problem in the user's words, without the row: "end when "Q<": not a condition; use
// I<, I>, V<, V>, P<, P>, mAh> or mWh>".
std::string describe(const ConditionProblem& problem, bool english);

// The cells that hold a condition, as the table stores them: the token, the level, the
// times (empty when unset).
ConditionCells condition_cells(const StepCondition& condition);

// "I<0.050 A", "mAh>1200 mAh", with ", 60..7200 s" for the times when set and ", stop" for a
// condition that ends the run; "" for None.
std::string condition_text(const StepCondition& condition);

// What a fresh reading and the period's figures so far say of a condition.
struct ConditionReading {
    double volts = 0;
    double amps = 0;
    double coulombs = 0;
    double joules = 0;
};
bool condition_met(const StepCondition& condition, const ConditionReading& reading);
// The measured value the condition compares, in its unit ("0.049 A"), for the timeline.
std::string condition_value_text(const StepCondition& condition, const ConditionReading& reading);

// Why a step ended: the first word of the timeline's "step ended" detail (never translated).
enum class StepEnd {
    Seconds,   // "seconds": it lasted its seconds
    Condition, // "condition": a fresh reading met its condition
    Longest,   // "longest time": the condition did not come in time
    RunEnded,  // "run ended": STOP, a trip or a limit ended the run during the step
};
const char* step_end_word(StepEnd end);
// The end word at the start of a "step ended" detail ("condition: I<0.050 A at 0.049 A").
std::optional<StepEnd> step_end_of_word(std::string_view detail);

} // namespace kelvo
