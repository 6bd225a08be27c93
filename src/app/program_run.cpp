// The run count, RUN and STOP: the step table loaded, checked and started.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/form1.h"
#include "base/limits.h"
#include "base/texts.h"
#include "program/step_table.h"
#include "settings/setpoint_text.h"

namespace kelvo {

void Form1::Combo5_Click() {
    const std::string text = Combo5.text();
    if (text == texts::kRunUntilStopped.en) {
        run_forever = true;
        return;
    }
    // Every entry of the list is a count; a typed text that is none is refused at RUN and
    // changes nothing here.
    if (const auto count = parse_run_count(text)) {
        run_forever = false;
        runs_left = *count;
    }
}

void Form1::Command4_Click() {
    if (program_running) {
        end_period(remote_acting ? OffCause::Remote : OffCause::Stop);
        Command4.set_back_color(std::nullopt);
        return;
    }
    // RUN needs an answering supply; without one the press is ignored.
    if (!device_connected) {
        return;
    }
    // "-5" would run forever and "0" not at all: only "x" or a count starts a program.
    if (Combo5.text() != texts::kRunUntilStopped.en && !parse_run_count(Combo5.text())) {
        show_message(texts::fill(text(texts::kRunCountPrompt), {std::to_string(limits::kMaxRuns)}),
                     text(texts::kRunCountTitle));
        return;
    }
    chart_sample_index = 0;
    Combo5_Click();
    if (!load_step_table() || !steps_within_limits() || !profile_limits_allow_run()) {
        return;
    }
    start_program();
    start_profile_run();
}

bool Form1::load_step_table() {
    Adodc1.move_first();
    const int records = Adodc1.record_count();
    if (records <= 0) {
        show_message(text(texts::kEmptyTablePrompt), text(texts::kProductName));
        return false;
    }
    // The step counter is 16 bits: a longer table would wrap it.
    if (records > limits::kMaxSteps) {
        show_message(texts::fill(text(texts::kTooManySteps),
                                 {std::to_string(records), std::to_string(limits::kMaxSteps)}),
                     text(texts::kStepTableTitle));
        return false;
    }
    const int fields = std::min(Adodc1.field_count(), 5);
    step_table.assign(static_cast<std::size_t>(records) + 1, {});
    const std::array<int, kConditionCells> conditions = condition_fields(Adodc1);
    step_conditions.assign(static_cast<std::size_t>(records), StepCondition{});
    for (int row = 0; row < records; ++row) {
        for (int column = 0; column < fields; ++column) {
            const FieldValue value = Adodc1.field(column);
            step_table[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)] = value;
            if (column == 1 || column == 2) {
                const double limit = column == 1 ? limits::kMaxVolts : limits::kMaxAmperes;
                const auto number = cell_number(value);
                // The record set stays on the offending row, and so does the grid.
                if (!number || *number > limit || *number < 0) {
                    show_message(
                        step_row_prompt(row, column == 1),
                        text(column == 1 ? texts::kVoltageErrorTitle : texts::kCurrentErrorTitle));
                    return false;
                }
            }
        }
        if (!load_row_condition(row, conditions)) {
            return false;
        }
        Adodc1.move_next();
    }
    return true;
}

void Form1::start_program() {
    // The manual period before RUN is a record of its own.
    if (output_on) {
        Text3.append_text(texts::kCrLf);
        save_period();
    }
    for (int column = 0; column < platform::kGridColumns; ++column) {
        DataGrid1.set_column_locked(column, true);
    }
    program_running = true;
    run_finished = false;
    output_on = true;
    step_error_shown = false;
    set_front_panel_enabled(false);
    Command1.set_back_color(std::nullopt);
    Command4.set_back_color(platform::kGreen);
    Command1.set_caption(text(texts::kOff));
    Command4.set_caption(text(texts::kStop));
    pass_number = 1;
    begin_record_log();
    tell_observers([](platform::Observer& o) { o.program_changed(true); });
    step_seconds = to_int16(step_cell(3, step_index));
    step_seconds_left = step_seconds;
    log_step_begun();
}

} // namespace kelvo
