// Steps that end on what the supply measures: their conditions read at RUN, tested at each
// display second on fresh readings only, and why each step ended, in the timeline.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/form1.h"
#include "base/texts.h"
#include "link/protocol.h"
#include "program/step_table.h"

namespace kelvo {

namespace {

// The first read second after a step begins may still hold the reply to the step before.
constexpr int kSettledReadings = 2;

} // namespace

bool Form1::load_row_condition(int row, const std::array<int, kConditionCells>& fields) {
    ConditionCells cells{};
    for (std::size_t cell = 0; cell < fields.size(); ++cell) {
        if (fields[cell] >= 0) {
            cells[cell] = Adodc1.field(fields[cell]);
        }
    }
    const ConditionCheck check = read_condition(cells);
    // The record set stays on the offending row, and so does the grid.
    if (!check.ok()) {
        show_message(texts::fill(text(texts::kConditionRowPrompt),
                                 {std::to_string(row + 1), describe(check.problem, english_mode)}),
                     text(texts::kConditionErrorTitle));
        return false;
    }
    step_conditions[static_cast<std::size_t>(row)] = check.condition;
    return true;
}

StepCondition Form1::running_condition() const {
    const std::size_t row = static_cast<std::size_t>(step_index);
    return row < step_conditions.size() ? step_conditions[row] : StepCondition{};
}

ConditionReading Form1::condition_reading() const {
    return {reading_volts(voltage_reading), reading_amps(current_reading), period_meter.coulombs(),
            period_meter.joules()};
}

void Form1::count_step_reading(bool valid) {
    if (step_open && valid) {
        ++step_fresh_readings;
    }
}

std::optional<StepEnd> Form1::step_end_due() {
    ++step_elapsed;
    const StepCondition condition = running_condition();
    if (condition.kind == ConditionKind::None) {
        if (step_seconds_left < 2) {
            return StepEnd::Seconds;
        }
        --step_seconds_left;
        return std::nullopt;
    }
    // Only a reading of the latest read second, taken while the step's own set-points were
    // on the wire, says anything: a silence is not "current below".
    if (step_elapsed >= condition.shortest && reading_is_measurement() &&
        step_fresh_readings >= kSettledReadings && condition_met(condition, condition_reading())) {
        return StepEnd::Condition;
    }
    if (condition.longest && step_elapsed >= *condition.longest) {
        return StepEnd::Longest;
    }
    return std::nullopt;
}

void Form1::log_step_ended(StepEnd end, const std::string& why) {
    if (!step_open) {
        return;
    }
    step_open = false;
    const StepCondition condition = running_condition();
    std::string detail = std::string(step_end_word(end)) + ": ";
    const std::string after = std::to_string(step_elapsed) + " s";
    switch (end) {
    case StepEnd::Seconds:
        detail += after;
        break;
    case StepEnd::Condition:
        detail += condition_text(condition) + " at " +
                  condition_value_text(condition, condition_reading()) + " after " + after;
        break;
    case StepEnd::Longest:
        detail += after;
        break;
    case StepEnd::RunEnded:
        detail += why + " after " + after;
        break;
    }
    last_step_end = "step " + std::to_string(step_index + 1) + " " + detail;
    log_event(EventKind::StepEnded, "step " + std::to_string(step_index + 1), detail);
}

} // namespace kelvo
