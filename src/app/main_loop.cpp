// The main loop: Timer1 ticks every 100 ms and each tick takes its steps in order: the layout,
// the link, the counters, the command frame, the readings shown, logged and read, the run.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/form1.h"
#include "base/limits.h"
#include "base/texts.h"
#include "link/protocol.h"

namespace kelvo {

void Form1::Timer1_Timer() {
    // Nothing waits for a message box: readings, the trip, the record and the running
    // program go on while one is up.

    // Layout: only a new screen size costs anything.
    if (FBL_PD()) {
        FBL_REV();
        chart_sample_index = PICTUR_CH();
    }

    // Link.
    if (!port_ready) {
        connect_port();
    }

    count_ticks();

    // Set-points of this tick.
    if (program_running) {
        execute_step();
    } else {
        commit_typed_setpoints();
    }
    // A period limit reached (time, silence) ends it before this tick's frame is built.
    guard_period();
    update_command_frame();

    if (port_ready && read_due) {
        read_replies();
    }

    if (display_due) {
        show_readings();
        log_readings();
        refresh_captions();
        end_used_up_run();
        plot_chart_sample();
        display_due = false;
    }
}

void Form1::count_ticks() {
    // The idle counts only have to outlast the pause after typing; held at 100, a long
    // quiet spell cannot wrap them.
    if (voltage_edit_idle_ticks < limits::kIdleTickCap) {
        ++voltage_edit_idle_ticks;
    }
    if (current_edit_idle_ticks < limits::kIdleTickCap) {
        ++current_edit_idle_ticks;
    }
    if (display_divider >= limits::kTicksPerSecond - 1) {
        display_due = true;
        display_divider = 0;
    } else {
        ++display_divider;
    }
    if (read_divider >= limits::kTicksPerSecond - 1) {
        read_due = true;
        read_divider = 0;
    } else {
        ++read_divider;
    }
}

void Form1::update_command_frame() {
    const std::int16_t voltage_code = program_running ? step_voltage_code : set_voltage_code;
    const std::int16_t current_code = program_running ? step_current_code : set_current_code;
    note_setpoints(voltage_code, current_code);

    // Command frame.
    char output_letter = output_on ? 'O' : 'N';
    char mode_letter = 'H';
    protect_output(mode_letter, output_letter);
    std::string frame = command_frame_text(voltage_code, mode_letter, current_code, output_letter);
    {
        const std::lock_guard<std::mutex> lock(send_mutex);
        command_frame.swap(frame);
    }
    // Against the frame last told, not the one before: a switch-off puts "N" into the
    // frame between ticks.
    if (!observers.empty() && told_frame != command_frame) {
        told_frame = command_frame;
        tell_observers([this](platform::Observer& o) { o.frame_changed(told_frame); });
    }
}

void Form1::protect_output(char& mode_letter, char& output_letter) {
    if (trip_on_over_current) {
        mode_letter = 'C';
        // Over-current in "trip out" mode: off on this very tick.
        if (output_on && over_current) {
            end_period(OffCause::OverCurrent);
            output_letter = 'N';
        }
    }
}

void Form1::show_readings() {
    monitor_line(command_frame + "F");
    voltage_reading_text = voltage_reading_display(voltage_reading);
    current_reading_text = current_reading_display(current_reading);
    store_chart_readings(voltage_reading, current_reading);
    Label2.set_caption(voltage_reading_text);
    Label4.set_caption(current_reading_text);
}

void Form1::log_readings() {
    if (output_on) {
        // The line is logged as always; one that was not measured is marked in the journal
        // and named by the note lines at the end, and counts for nothing.
        const bool measured = reading_is_measurement();
        append_record_line(voltage_reading_text, current_reading_text);
        if (!measured && journal_writing) {
            if (const std::string reason = Files.append_journal(kJournalStaleLine);
                !reason.empty()) {
                monitor_line(texts::fill(text(texts::kJournalError), {reason}));
                journal_writing = false;
            }
        }
        silence_spans.line(last_line_time, measured);
        meter_reading();
        guard_figures();
    }
}

void Form1::end_used_up_run() {
    // The run count is used up. Only a running program is ended: a count of 0
    // chosen while idle or during manual output must not switch anything off.
    if (program_running && !run_forever && runs_left == 0 && !run_finished) {
        run_finished = end_period(OffCause::RunCount);
    }
}

} // namespace kelvo
