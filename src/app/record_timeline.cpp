// The running period's timeline: its events as they happen, in the journal and then in the
// file beside the record, and the note lines that close the record.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/form1.h"
#include "app/run_report_file.h"
#include "base/limits.h"
#include "base/texts.h"
#include "limits/output_limits.h"

namespace kelvo {

namespace {} // namespace

Moment Form1::moment_now() const {
    return Clock.precise_now();
}

void Form1::log_event(EventKind kind, const std::string& source, const std::string& detail) {
    if (!period_running) {
        return;
    }
    PeriodEvent event{moment_now(), kind, source, detail};
    if (journal_writing) {
        if (const std::string reason = Files.append_journal(journal_event(event));
            !reason.empty()) {
            monitor_line(texts::fill(text(texts::kJournalError), {reason}));
            journal_writing = false;
        }
    }
    period_events.push_back(event);
    tell_observers([&event](platform::Observer& o) { o.event(event); });
}

void Form1::note_setpoints(std::int16_t voltage_code, std::int16_t current_code) {
    // Every tick: nothing is built unless a code changed.
    const auto source = [this](const std::string& panel) {
        return program_running ? "step " + std::to_string(step_index + 1) : panel;
    };
    if (voltage_code != told_voltage_code) {
        told_voltage_code = voltage_code;
        log_event(EventKind::VoltageSet, source(voltage_source), voltage_code_text(voltage_code));
    }
    if (current_code != told_current_code) {
        told_current_code = current_code;
        log_event(EventKind::CurrentSet, source(current_source), current_code_text(current_code));
    }
}

bool Form1::end_period(OffCause cause) {
    off_cause = cause;
    return GBDY_CX();
}

void Form1::append_note_lines() {
    for (const SilenceSpan& span : silence_spans.spans()) {
        Text3.append_text(texts::fill(text(texts::kSilenceNote), {span.from, span.to}) +
                          texts::kCrLf);
    }
    if (!off_reason.empty()) {
        Text3.append_text(texts::fill(text(texts::kLimitOffNote), {off_reason}) + texts::kCrLf);
    }
}

bool Form1::save_period() {
    // Before the save line: the spans the supply was silent, the limit that ended it.
    append_note_lines();
    if (!save_record()) {
        return false;
    }
    save_events(last_record_path);
    save_run_report(*this, last_record_path);
    return true;
}

void Form1::save_events(const std::string& record_path) {
    write_events(record_path, period_events);
}

void Form1::write_events(const std::string& record_path, const std::vector<PeriodEvent>& events) {
    const std::string path = events_path_of(record_path);
    if (const std::string reason = Files.write_new_file(path, events_file_text(events));
        !reason.empty()) {
        // The record itself is saved; its timeline is told lost, not hidden.
        monitor_line(texts::fill(text(texts::kEventsNotSaved), {path, reason}));
    }
}

std::string Form1::timeline_port() const {
    if (port_number < 1) {
        return {};
    }
    // The device too: two supplies on one PC are told apart by it.
    const std::string device = MSComm1.device_path(port_number);
    const std::string name = texts::fill(texts::kPortName.en, {std::to_string(port_number)});
    return device.empty() ? name : name + " " + device;
}

void Form1::begin_period_timeline() {
    period_events.clear();
    silence_spans = SilenceSpans{};
    off_reason.clear();
    period_running = true;
    told_voltage_code = program_running ? -1 : set_voltage_code;
    told_current_code = program_running ? -1 : set_current_code;
    told_over_current = over_current;
    const char* source = remote_acting ? "remote" : (program_running ? "run" : "button");
    log_event(EventKind::OutputOn, source,
              program_running ? std::string()
                              : voltage_code_text(set_voltage_code) + " " +
                                    current_code_text(set_current_code));
    if (output_limits.any()) {
        log_event(EventKind::LimitsSet, "in force", limits_summary(output_limits));
    }
    if (read_seconds_seen && !reading_is_measurement()) {
        silence_told = true;
        log_event(EventKind::SupplySilent, timeline_port());
    }
}

void Form1::end_period_timeline() {
    if (!period_running) {
        return;
    }
    const platform::Reading figures = period_figures();
    log_event(EventKind::OutputOff, off_cause_name(off_cause),
              figures_detail({figures.seconds, figures.coulombs, figures.joules}));
    period_running = false;
}

} // namespace kelvo
