// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/run_report.h"

#include "history/period_sum.h"
#include "history/period_timeline.h"

#include <algorithm>

namespace kelvo::history {

namespace {

// The local time of a row of the timeline.
DateTime local_of(const PeriodEvent& event) {
    return event.at.local;
}

ReportStep begun_step(const PeriodEvent& event) {
    ReportStep step;
    step.source = event.source;
    step.setpoints = event.detail;
    step.begun = local_of(event);
    return step;
}

// A "step ended" row closes the step begun last when it names the same step; a row without
// its "step begun" (a damaged file) stands as a step of its own, its begin unknown.
void close_step(std::vector<ReportStep>& steps, const PeriodEvent& event) {
    if (steps.empty() || steps.back().end_told || steps.back().source != event.source) {
        ReportStep step;
        step.source = event.source;
        steps.push_back(step);
    }
    ReportStep& step = steps.back();
    step.end_told = true;
    step.ended = local_of(event);
    step.end = step_end_of_word(event.detail);
    const std::size_t colon = event.detail.find(": ");
    step.end_detail =
        step.end && colon != std::string::npos ? event.detail.substr(colon + 2) : event.detail;
}

void read_timeline(RunReport& report, const Timeline& timeline) {
    report.has_events = !timeline.events.empty();
    std::string limit_detail;
    for (const PeriodEvent& event : timeline.events) {
        switch (event.kind) {
        case EventKind::StepBegun:
            report.steps.push_back(begun_step(event));
            break;
        case EventKind::StepEnded:
            close_step(report.steps, event);
            break;
        case EventKind::ProfileRun:
            if (report.profile.empty()) {
                report.profile = event.source;
                report.profile_settings = event.detail;
            }
            break;
        case EventKind::OutputOff:
            report.off_cause = event.source;
            report.end = local_of(event);
            break;
        case EventKind::LimitReached:
            limit_detail = event.detail;
            break;
        default:
            break;
        }
    }
    if (report.limit_reason.empty()) {
        report.limit_reason = limit_detail;
    }
}

// The step whose condition ended the run: the last that ended on its condition.
void find_stopping_condition(RunReport& report) {
    if (report.off_cause != off_cause_name(OffCause::StepCondition)) {
        return;
    }
    const auto step = std::find_if(report.steps.rbegin(), report.steps.rend(),
                                   [](const auto& s) { return s.end == StepEnd::Condition; });
    if (step != report.steps.rend()) {
        report.stopping_step = step->source;
        report.stopping_condition = step->end_detail;
    }
}

void read_readings(RunReport& report, const Series& series) {
    MeasuredWalk walk(series.unmeasured);
    for (std::size_t k = 0; k < series.samples.size(); ++k) {
        if (!walk.measured(k)) {
            ++report.unmeasured;
            continue;
        }
        const Sample& s = series.samples[k];
        const double volts = s.volt_code / 100.0;
        const double amps = s.amp_code / 1000.0;
        ++report.measured;
        ReportRange& v = report.volts.has_value() ? report.volts.value()
                                                  : report.volts.emplace(ReportRange{volts, volts});
        ReportRange& a = report.amps.has_value() ? report.amps.value()
                                                 : report.amps.emplace(ReportRange{amps, amps});
        v.lowest = std::min(v.lowest, volts);
        v.highest = std::max(v.highest, volts);
        a.lowest = std::min(a.lowest, amps);
        a.highest = std::max(a.highest, amps);
    }
    for (const SampleRun& run : series.unmeasured) {
        const std::size_t last = std::size_t{run.first} + run.count - 1;
        if (run.count == 0 || last >= series.samples.size()) {
            continue;
        }
        report.silences.push_back({moment_after(series.start, series.samples[run.first].seconds),
                                   moment_after(series.start, series.samples[last].seconds)});
    }
}

// How long and until when the output was on: the timeline's figures and switch-off, else
// what the readings tell.
void read_span(RunReport& report, const Series& series) {
    const Timeline& t = series.timeline;
    if (t.figures) {
        report.seconds = t.figures->seconds;
    } else if (t.on_ms && t.off_ms) {
        report.seconds =
            static_cast<double>(std::max<std::int64_t>(0, *t.off_ms - *t.on_ms)) / 1000;
    } else if (!series.samples.empty()) {
        report.seconds = series.samples.back().seconds;
        report.seconds_from_readings = true;
    }
    if (!report.end && !series.samples.empty()) {
        report.end = moment_after(series.start, series.samples.back().seconds);
        report.end_from_readings = true;
    }
    const Figures figures = period_figures(series);
    report.coulombs = figures.coulombs;
    report.joules = figures.joules;
    report.figures_from_readings = !t.figures;
}

} // namespace

RunReport run_report(const Series& series, std::size_t skipped_rows) {
    RunReport report;
    report.error = series.error;
    report.line_too_long = series.line_too_long;
    report.skipped_rows = skipped_rows;
    if (series.error != ReadError::None) {
        return report;
    }
    report.start = series.start;
    report.saved = series.saved;
    report.not_saved = series.not_saved;
    report.recovered = series.recovered;
    report.cut = series.cut;
    report.junk = series.junk;
    report.limit_reason = series.limit_reason;
    read_timeline(report, series.timeline);
    find_stopping_condition(report);
    read_readings(report, series);
    read_span(report, series);
    return report;
}

RunReport run_report(std::string_view record, const std::vector<PeriodEvent>& events) {
    RecordReader reader;
    reader.use_events(events);
    reader.feed(record);
    reader.finish();
    Series series = reader.take();
    if (series.error == ReadError::None) {
        attach_timeline(series, events);
    }
    return run_report(series);
}

RunReport run_report(std::string_view record, std::string_view events_file) {
    std::size_t skipped = 0;
    const std::vector<PeriodEvent> events = read_events_file(events_file, &skipped);
    RunReport report = run_report(record, events);
    report.skipped_rows = skipped;
    return report;
}

std::string report_path_of(const std::string& record_path) {
    const std::string events = events_path_of(record_path);
    return events.substr(0, events.size() - std::string_view(".events.csv").size()) + ".report.txt";
}

std::string report_image_path_of(const std::string& record_path) {
    const std::string text = report_path_of(record_path);
    return text.substr(0, text.size() - 4) + ".png";
}

} // namespace kelvo::history
