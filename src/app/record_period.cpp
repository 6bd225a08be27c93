// The record of an output period: its lines while the output is on, and GBDY_CX, which
// switches the output off and saves the record.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/form1.h"
#include "base/texts.h"
#include "record/record_log.h"

namespace kelvo {

void Form1::begin_record_log() {
    Text3.set_text("");
    Text3.set_text(std::string(texts::kProductName.en) + texts::kCrLf);
    Text3.append_text(std::string(texts::kRecordVersion.en) + texts::kCrLf);
    const DateTime now = Clock.now();
    Text3.append_text(record_date_line(now, Clock.time_text(now)));
    // From here on the period is on disk as it grows.
    open_journal();
    start_period_meter();
    begin_period_timeline();
}

void Form1::append_record_line(const std::string& voltage, const std::string& current) {
    // One append of the new line only: the log grows for as long as the output is on.
    last_line_time = Clock.time_text(Clock.now());
    log_text(texts::kCrLf + record_reading_line(last_line_time, voltage, current));
    Text3.set_sel_start(Text3.text_length());
}

void Form1::switch_output_off() {
    const bool program_ended = program_running;
    program_running = false;
    output_on = false;
    // The next character on the wire already belongs to an "N" frame, whatever follows
    // (a slow disk, a box): the frame is not left "O" until the next polling tick.
    {
        const std::lock_guard<std::mutex> lock(send_mutex);
        if (command_frame.size() == 16) {
            command_frame[15] = 'N';
        }
    }
    stop_period_meter();
    if (program_ended) {
        tell_observers([](platform::Observer& o) { o.program_changed(false); });
    }
}

bool Form1::GBDY_CX() {
    last_off_cause = off_cause;
    if (program_running) {
        last_run_end = off_cause_name(off_cause);
    }
    switch_output_off();
    // Once "N" is in the frame: the step that was running ended with the run, on its own
    // condition or by STOP, a trip or a limit.
    log_step_ended(off_cause == OffCause::StepCondition ? StepEnd::Condition : StepEnd::RunEnded,
                   off_cause_name(off_cause));
    end_profile_run();
    end_period_timeline();
    for (int column = 0; column < platform::kGridColumns; ++column) {
        DataGrid1.set_column_locked(column, false);
    }
    set_front_panel_enabled(true);
    Text3.append_text(texts::kCrLf);
    Command1.set_caption(text(texts::kOn));
    Command4.set_caption(text(texts::kRun));
    Command1.set_back_color(std::nullopt);
    Command4.set_back_color(std::nullopt);
    step_index = 0;
    step_seconds_left = 0;
    save_period();
    off_cause = OffCause::Button;
    off_reason.clear();
    return true;
}

} // namespace kelvo
