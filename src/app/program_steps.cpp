// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/form1.h"
#include "base/limits.h"
#include "base/texts.h"
#include "program/step_table.h"
#include "settings/setpoint_text.h"

#include <cstdio>

namespace kelvo {

double Form1::step_cell(int column, int row) const {
    if (row < 0 || static_cast<std::size_t>(row) >= step_table.size()) {
        return 0;
    }
    const auto& cell = step_table[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)];
    // Text that is not a number was refused at RUN in the voltage and current columns;
    // in the duration column it counts as 0.
    return cell_number(cell).value_or(0);
}

void Form1::execute_step() {
    const int rows = static_cast<int>(step_table.size()) - 1;
    bool step_changed = false;
    double volts = step_cell(1, step_index);
    double amps = step_cell(2, step_index);
    if (display_due) {
        if (const std::optional<StepEnd> end = step_end_due()) {
            // A condition that ends the run: off on this very tick, like a trip; the
            // switch-off tells the step's end once "N" is in the frame.
            if (*end == StepEnd::Condition && running_condition().ends_run) {
                end_period(OffCause::StepCondition);
                return;
            }
            log_step_ended(*end, {});
            if (step_index < rows - 1) {
                ++step_index;
                step_seconds = to_int16(step_cell(3, step_index));
                step_changed = true;
            } else {
                // The pass is over: the first step takes effect on this very tick.
                step_index = 0;
                volts = step_cell(1, 0);
                amps = step_cell(2, 0);
                step_seconds = to_int16(step_cell(3, 0));
                if (runs_left > 0) {
                    --runs_left;
                }
                ++pass_number;
                // The pass that ends the run begins no step.
                step_changed = run_forever || runs_left > 0;
            }
            step_seconds_left = step_seconds;
        }
    }

    step_voltage_code = to_int16(volts * limits::kCodesPerVolt);
    if (step_voltage_code > limits::kMaxVoltageCode || step_voltage_code < 0) {
        step_voltage_code = 0;
        report_step_error(true);
    }
    step_current_code = to_int16(amps * limits::kCodesPerAmpere);
    if (step_current_code > limits::kMaxCurrentCode || step_current_code < 0) {
        step_current_code = 0;
        report_step_error(false);
    }
    if (step_changed) {
        log_step_begun();
    }
}

void Form1::log_step_begun() {
    const std::int16_t volts = to_int16(step_cell(1, step_index) * limits::kCodesPerVolt);
    const std::int16_t amps = to_int16(step_cell(2, step_index) * limits::kCodesPerAmpere);
    const StepCondition condition = running_condition();
    char detail[96];
    std::snprintf(detail, sizeof detail, "pass %d: %d.%02d V %d.%03d A", pass_number, volts / 100,
                  volts % 100, amps / 1000, amps % 1000);
    // A step with a condition does not count its seconds: the condition ends it.
    const std::string end = condition.kind == ConditionKind::None
                                ? " " + std::to_string(step_seconds) + " s"
                                : " until " + condition_text(condition);
    step_elapsed = 0;
    step_fresh_readings = 0;
    step_open = true;
    log_event(EventKind::StepBegun, "step " + std::to_string(step_index + 1), detail + end);
}

void Form1::report_step_error(bool voltage) {
    // Once per run: the values were checked at RUN, so this is a safeguard, and a box
    // every 100 ms would leave the user nothing else to do.
    if (step_error_shown) {
        return;
    }
    step_error_shown = true;
    show_message(text(voltage ? texts::kVoltageRangePrompt : texts::kCurrentRangePrompt),
                 text(texts::kDatabaseErrorTitle));
}

} // namespace kelvo
