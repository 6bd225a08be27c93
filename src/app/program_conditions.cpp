// Steps that end on what the supply measures: their conditions read at RUN, tested at each
// display second on fresh readings only, and why each step ended, in the timeline.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/form1.h"
#include "base/texts.h"
#include "link/protocol.h"

#include <cctype>

namespace kelvo {

namespace {

bool same_name(const std::string& a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

// The first read second after a step begins may still hold the reply to the step before.
constexpr int kSettledReadings = 2;

} // namespace

bool Form1::load_step_conditions() {
    std::array<int, kConditionCells> positions{};
    bool any = false;
    for (std::size_t cell = 0; cell < positions.size(); ++cell) {
        positions[cell] = -1;
        // After the three described fields only: a described field is never a condition.
        for (int field = 4; field < Adodc1.field_count(); ++field) {
            if (same_name(Adodc1.field_name(field), platform::kConditionFieldNames[cell])) {
                positions[cell] = field;
                any = true;
                break;
            }
        }
    }
    const int rows = static_cast<int>(step_table.size()) - 1;
    step_conditions.assign(static_cast<std::size_t>(std::max(rows, 0)), StepCondition{});
    if (!any) {
        return true;
    }
    Adodc1.move_first();
    for (int row = 0; row < rows; ++row) {
        ConditionCells cells{};
        for (std::size_t cell = 0; cell < positions.size(); ++cell) {
            if (positions[cell] >= 0) {
                cells[cell] = Adodc1.field(positions[cell]);
            }
        }
        const ConditionCheck check = read_condition(cells);
        // The record set stays on the offending row, and so does the grid.
        if (!check.ok()) {
            show_message(
                texts::fill(text(texts::kConditionRowPrompt),
                            {std::to_string(row + 1), describe(check.problem, english_mode)}),
                text(texts::kConditionErrorTitle));
            return false;
        }
        step_conditions[static_cast<std::size_t>(row)] = check.condition;
        Adodc1.move_next();
    }
    return true;
}

ConditionReading Form1::condition_reading() const {
    return {reading_volts(voltage_reading), reading_amps(current_reading), period_meter.coulombs(),
            period_meter.joules()};
}

void Form1::count_step_reading(bool valid) {
    if (program_running && step_open && valid) {
        ++step_fresh_readings;
    }
}

std::optional<StepEnd> Form1::step_end_due() {
    ++step_elapsed;
    const std::size_t row = static_cast<std::size_t>(step_index);
    const StepCondition condition =
        row < step_conditions.size() ? step_conditions[row] : StepCondition{};
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
    const std::size_t row = static_cast<std::size_t>(step_index);
    const StepCondition condition =
        row < step_conditions.size() ? step_conditions[row] : StepCondition{};
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
