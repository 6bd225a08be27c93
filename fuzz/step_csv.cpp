// Step files as anyone may write them: whatever the text, the parse says why it refuses it
// or gives steps that RUN accepts, their end conditions within their own limits, and that
// survive being written out and read back. The
// same bytes, taken as numbers, make a ramp held to the same limits.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "program/step_csv.h"
#include "base/limits.h"
#include "check.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

using namespace kelvo;

namespace {

bool within_limits(const Step& step) {
    return step.voltage_code >= 0 && step.voltage_code <= limits::kMaxVoltageCode &&
           step.current_code >= 0 && step.current_code <= limits::kMaxCurrentCode &&
           step.seconds >= limits::kMinStepSeconds && step.seconds <= limits::kMaxStepSeconds;
}

// A condition as read_condition lets one through: none at all, or a level within its kind's
// range and times from 0 to a year with the longest not below the shortest.
bool condition_within_limits(const StepCondition& condition) {
    if (condition.kind == ConditionKind::None) {
        return condition == StepCondition{};
    }
    return condition.level >= 0 && condition.level <= condition_highest(condition.kind) &&
           condition.shortest >= 0 && condition.shortest <= kMaxConditionSeconds &&
           (!condition.longest || (*condition.longest >= condition.shortest &&
                                   *condition.longest <= kMaxConditionSeconds));
}

void check_file(std::string_view text) {
    const StepFile file = parse_step_csv(text);
    for (const StepProblem& problem : file.problems) {
        KELVO_FUZZ_REQUIRE(!describe(problem, true).empty() && !describe(problem, false).empty());
    }
    KELVO_FUZZ_REQUIRE(file.problems.size() <= kProblemsKept);
    if (!file.valid()) {
        KELVO_FUZZ_REQUIRE(file.steps.empty() && !file.problems.empty());
        return;
    }
    KELVO_FUZZ_REQUIRE(!file.steps.empty() &&
                       file.steps.size() <= static_cast<std::size_t>(limits::kMaxSteps));
    std::vector<TableRow> table;
    bool conditions = false;
    for (const Step& step : file.steps) {
        KELVO_FUZZ_REQUIRE(within_limits(step) && condition_within_limits(step.condition));
        conditions = conditions || step.condition.kind != ConditionKind::None;
        const auto values = step_values(step);
        table.push_back({{values[0], values[1], values[2]}, condition_cells(step.condition)});
    }
    const std::string written = step_csv(table);
    // The condition's columns only when a step has one: a file without reads as it did.
    KELVO_FUZZ_REQUIRE((written.find(",end when,") != std::string::npos) == conditions);
    KELVO_FUZZ_REQUIRE(parse_step_csv(written).steps == file.steps);
}

void check_ramp(const std::uint8_t* data, std::size_t size) {
    Ramp ramp;
    if (size < 4 * sizeof(double) + 2) {
        return;
    }
    std::memcpy(&ramp.from, data, sizeof(double));
    std::memcpy(&ramp.to, data + sizeof(double), sizeof(double));
    std::memcpy(&ramp.seconds, data + 2 * sizeof(double), sizeof(double));
    std::memcpy(&ramp.held, data + 3 * sizeof(double), sizeof(double));
    ramp.steps = data[4 * sizeof(double)] | (data[4 * sizeof(double) + 1] << 8);
    ramp.swept = (data[0] & 1) != 0 ? Quantity::Current : Quantity::Voltage;
    const RampSteps made = make_ramp(ramp);
    KELVO_FUZZ_REQUIRE(made.steps.empty() != made.problems.empty());
    if (made.steps.empty()) {
        return;
    }
    KELVO_FUZZ_REQUIRE(static_cast<int>(made.steps.size()) == ramp.steps);
    const bool voltage = ramp.swept == Quantity::Voltage;
    const auto swept = [voltage](const Step& step) {
        return voltage ? step.voltage_code : step.current_code;
    };
    for (std::size_t i = 0; i < made.steps.size(); ++i) {
        KELVO_FUZZ_REQUIRE(within_limits(made.steps[i]));
        if (i > 0) {
            // Evenly spaced: each rise or fall as the one before, give or take the grid.
            const int rise = swept(made.steps[i]) - swept(made.steps[i - 1]);
            const int first = swept(made.steps[1]) - swept(made.steps[0]);
            KELVO_FUZZ_REQUIRE(rise - first <= 1 && first - rise <= 1);
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    check_file(std::string_view(reinterpret_cast<const char*>(data), size));
    check_ramp(data, size);
    return 0;
}
