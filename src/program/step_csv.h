// program/: steps from outside the grid: the step table as CSV text (read and written) and
// the ramp generator. Every value is checked against the limits RUN applies, so a table
// filled from here always runs.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/services.h"
#include "program/step_condition.h"

#include <array>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kelvo {

// One step as the supply takes it: volts in 10 mV codes, amperes in 1 mA codes.
struct Step {
    int voltage_code = 0;
    int current_code = 0;
    int seconds = 0;
    StepCondition condition; // none: the step lasts its seconds
    friend bool operator==(const Step&, const Step&) = default;
};

enum class Quantity { Voltage, Current, Seconds };

// The ramp's fields a problem can name.
enum class RampField { None, From, To, Held, Seconds, Steps };

// What is wrong with a line of a file or a field of the ramp; value is as it was written.
struct StepProblem {
    enum class Kind {
        EmptyFile,
        HeaderOnly,
        UnknownColumn,
        ColumnTwice,
        NoColumn,
        ExtraFields,
        NoValue,
        NotANumber,
        Below,
        Above,
        FinerThanCode,
        NotWhole,
        TooManySteps,
        StepCount,
        Condition, // the line's end condition: `condition` says what is wrong with it
    };
    Kind kind = Kind::EmptyFile;
    int line = 0; // 1-based; 0 for the whole file or a ramp
    RampField field = RampField::None;
    Quantity quantity = Quantity::Voltage;
    std::string value;
    ConditionProblem condition{};
    friend bool operator==(const StepProblem&, const StepProblem&) = default;
};

// The shortest text that reads back as the same double ("3.3", "0.001", "12").
std::string shortest_text(double value);

// The problem in the user's words: "line 7: voltage 32.5 V is above 31 V".
std::string describe(const StepProblem& problem, bool english);

// A number read as one of the quantities, or the problem with it (line and field unset).
// A value off the 10 mV / 1 mA grid by no more than a float's rounding ("3.3000000000000003",
// what spreadsheets write) is taken as the code it stands for; anything finer is refused
// rather than rounded, since it is most likely a wrong unit.
struct CheckedValue {
    int code = 0; // 10 mV, 1 mA or whole seconds
    std::optional<StepProblem> problem;
};
CheckedValue check_value(Quantity quantity, double value);

// At most this many problems are kept; the count of lines with problems goes on.
inline constexpr std::size_t kProblemsKept = 100;

struct StepFile {
    std::vector<Step> steps; // empty unless the whole file is valid
    std::vector<StepProblem> problems;
    int problem_lines = 0;
    bool valid() const { return problem_lines == 0; }
};

// A CSV file: a header line naming the columns (voltage V, current A, seconds, and for steps
// that end on a condition any of end when, level, shortest s, longest s, then; in any
// order), then one step a line; "," or ";" between fields (the header line says which),
// a decimal point, LF or CR LF line ends, blank lines skipped.
StepFile parse_step_csv(std::string_view text);

// A row of the table as the file holds it: volts, amperes, seconds, then its condition's
// cells (empty where the table has no condition fields).
struct TableRow {
    std::array<platform::FieldValue, 3> values{};
    ConditionCells condition{};
    friend bool operator==(const TableRow&, const TableRow&) = default;
};

// The table's rows as the CSV text parse_step_csv reads: the header line, then a line per
// step. The condition's columns come only when some row has a condition cell filled in, so a
// table without conditions reads as it always did.
std::string step_csv(std::span<const TableRow> rows);
// The same for rows without conditions.
std::string step_csv(const std::vector<std::array<platform::FieldValue, 3>>& rows);

// What goes into the table for a step: volts, amperes, seconds.
std::array<double, 3> step_values(const Step& step);

// From `from` to `to` of the swept quantity in `steps` evenly spaced steps on the code grid
// (the first is `from`, the last `to`), the other quantity held, each step lasting
// `seconds`.
struct Ramp {
    Quantity swept = Quantity::Voltage;
    double from = 0;
    double to = 0;
    int steps = 2;
    double seconds = 1;
    double held = 0;
};
struct RampSteps {
    std::vector<Step> steps; // empty when there are problems
    std::vector<StepProblem> problems;
};
RampSteps make_ramp(const Ramp& ramp);

} // namespace kelvo
