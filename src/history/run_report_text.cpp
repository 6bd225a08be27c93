// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/texts.h"
#include "history/run_report.h"
#include "meter/period_meter.h"

#include <cstdio>

namespace kelvo::history {

namespace {

// A report lists this many steps and silences at most: the first half and the last half.
constexpr std::size_t kListedSteps = 40;
constexpr std::size_t kListedSilences = 20;

std::string date_time_text(const DateTime& t) {
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day,
                  t.hour, t.minute, t.second);
    return text;
}

// The time of day alone when it is the day the run began.
std::string moment_in_run(const DateTime& t, const DateTime& start) {
    if (t.year == start.year && t.month == start.month && t.day == start.day) {
        char text[32];
        std::snprintf(text, sizeof text, "%02d:%02d:%02d", t.hour, t.minute, t.second);
        return text;
    }
    return date_time_text(t);
}

std::string fixed_text(double value, int places) {
    char text[48];
    std::snprintf(text, sizeof text, "%.*f", places, value);
    return text;
}

// "stop" gives "STOP", "max-time" "the time limit"; a cause the program does not know is
// given as it stands.
std::string cause_text(std::string_view cause, bool english) {
    for (std::size_t k = 0; k < std::size(texts::kReportOffCauses); ++k) {
        if (cause == off_cause_name(static_cast<OffCause>(k))) {
            return texts::in(english, texts::kReportOffCauses[k]);
        }
    }
    return std::string(cause);
}

// "step 3" in the report's language.
std::string step_name(const std::string& source, bool english) {
    const std::string_view prefix = "step ";
    if (source.starts_with(prefix) && source.size() > prefix.size()) {
        return texts::fill(texts::in(english, texts::kReportStepName), {source.substr(5)});
    }
    return source;
}

// Splits "HEAD<sep>TAIL" at the last `sep`; false when there is none.
bool split_at_last(std::string_view text, std::string_view sep, std::string_view& head,
                   std::string_view& tail) {
    const std::size_t at = text.rfind(sep);
    if (at == std::string_view::npos) {
        return false;
    }
    head = text.substr(0, at);
    tail = text.substr(at + sep.size());
    return true;
}

// "I<0.100 A at 0.098 A after 754 s" in the report's language.
std::string condition_phrase(std::string_view detail, bool english) {
    std::string_view rest;
    std::string_view after;
    std::string_view condition;
    std::string_view value;
    if (split_at_last(detail, " after ", rest, after) &&
        split_at_last(rest, " at ", condition, value)) {
        return texts::fill(texts::in(english, texts::kReportEndCondition),
                           {condition, value, after});
    }
    return texts::fill(texts::in(english, texts::kReportEndOther), {detail});
}

std::string step_end_text(const ReportStep& step, bool english) {
    const auto other = [&] {
        return texts::fill(texts::in(english, texts::kReportEndOther), {step.end_detail});
    };
    if (!step.end) {
        return other();
    }
    switch (*step.end) {
    case StepEnd::Seconds:
        return texts::fill(texts::in(english, texts::kReportEndSeconds), {step.end_detail});
    case StepEnd::Condition:
        return condition_phrase(step.end_detail, english);
    case StepEnd::Longest:
        return texts::fill(texts::in(english, texts::kReportEndLongest), {step.end_detail});
    case StepEnd::RunEnded: {
        std::string_view why;
        std::string_view after;
        if (split_at_last(step.end_detail, " after ", why, after)) {
            return texts::fill(texts::in(english, texts::kReportEndRun),
                               {cause_text(why, english), after});
        }
        return other();
    }
    }
    return other();
}

// "pass 1: 5.00 V 1.000 A until I<0.100 A" in the report's language.
std::string setpoints_text(const std::string& setpoints, bool english) {
    std::string_view pass;
    std::string_view rest;
    const std::string_view text = setpoints;
    const std::size_t colon = text.find(": ");
    if (!text.starts_with("pass ") || colon == std::string_view::npos) {
        return setpoints;
    }
    pass = text.substr(5, colon - 5);
    rest = text.substr(colon + 2);
    std::string body(rest);
    if (const std::size_t until = body.find(texts::kReportUntil.en); until != std::string::npos) {
        body.replace(until, std::string_view(texts::kReportUntil.en).size(),
                     texts::in(english, texts::kReportUntil));
    }
    return texts::fill(texts::in(english, texts::kReportPass), {pass, body});
}

void add_line(std::string& out, const texts::Text& text, bool english,
              std::initializer_list<std::string_view> values = {}) {
    out += texts::fill(texts::in(english, text), values) + "\n";
}

void add_step(std::string& out, const ReportStep& step, const DateTime& start, bool english) {
    const std::string name = step_name(step.source, english);
    if (step.begun) {
        add_line(
            out, texts::kReportStep, english,
            {name, moment_in_run(*step.begun, start), setpoints_text(step.setpoints, english)});
    } else {
        add_line(out, texts::kReportStepBeginUnknown, english, {name});
    }
    if (step.end_told && step.ended) {
        add_line(out, texts::kReportStepEnd, english,
                 {moment_in_run(*step.ended, start), step_end_text(step, english)});
    } else {
        add_line(out, texts::kReportStepNoEnd, english);
    }
}

void add_steps(std::string& out, const RunReport& r, bool english) {
    if (r.steps.empty()) {
        if (r.has_events) {
            add_line(out, texts::kReportNoSteps, english);
        }
        return;
    }
    add_line(out, texts::kReportSteps, english);
    const std::size_t n = r.steps.size();
    for (std::size_t k = 0; k < n; ++k) {
        if (n > kListedSteps && k == kListedSteps / 2) {
            add_line(out, texts::kReportStepsLeftOut, english, {std::to_string(n - kListedSteps)});
            k = n - kListedSteps / 2;
        }
        add_step(out, r.steps[k], r.start, english);
    }
}

void add_head(std::string& out, const RunReport& r, bool english) {
    add_line(out, texts::kReportTitle, english);
    if (!r.profile.empty()) {
        add_line(out,
                 r.profile_settings.empty() ? texts::kReportProfile : texts::kReportProfileSettings,
                 english, {r.profile, r.profile_settings});
    }
    if (r.recovered) {
        add_line(out, texts::kReportRecovered, english);
    }
    add_line(out, texts::kReportStart, english, {date_time_text(r.start)});
    if (r.end) {
        add_line(out, r.end_from_readings ? texts::kReportEndLastReading : texts::kReportEnd,
                 english, {date_time_text(*r.end)});
    }
    if (r.seconds) {
        add_line(out,
                 r.seconds_from_readings ? texts::kReportDurationFromReadings
                                         : texts::kReportDuration,
                 english, {elapsed_text(*r.seconds)});
    }
    add_line(out,
             r.figures_from_readings ? texts::kReportFiguresFromReadings : texts::kReportFigures,
             english, {charge_text(r.coulombs), energy_text(r.joules)});
}

void add_end(std::string& out, const RunReport& r, bool english) {
    if (!r.off_cause) {
        add_line(out, texts::kReportRunEndUnknown, english);
    } else if (!r.stopping_condition.empty()) {
        add_line(out, texts::kReportRunEndedCondition, english,
                 {cause_text(*r.off_cause, english), step_name(r.stopping_step, english),
                  condition_phrase(r.stopping_condition, english)});
    } else {
        add_line(out, texts::kReportRunEnded, english, {cause_text(*r.off_cause, english)});
    }
    if (!r.limit_reason.empty()) {
        add_line(out, texts::kReportLimit, english, {r.limit_reason});
    }
}

void add_readings(std::string& out, const RunReport& r, bool english) {
    if (r.volts && r.amps) {
        add_line(out, texts::kReportVoltage, english,
                 {fixed_text(r.volts->lowest, 2), fixed_text(r.volts->highest, 2)});
        add_line(out, texts::kReportCurrent, english,
                 {fixed_text(r.amps->lowest, 3), fixed_text(r.amps->highest, 3)});
    } else {
        add_line(out, texts::kReportNoMeasured, english);
    }
    add_line(out, texts::kReportReadings, english,
             {std::to_string(r.measured), std::to_string(r.unmeasured)});
    if (r.silences.empty()) {
        add_line(out, texts::kReportNoSilence, english);
        return;
    }
    add_line(out, texts::kReportSilences, english);
    const std::size_t n = r.silences.size();
    for (std::size_t k = 0; k < n; ++k) {
        if (n > kListedSilences && k == kListedSilences / 2) {
            add_line(out, texts::kReportSilencesLeftOut, english,
                     {std::to_string(n - kListedSilences)});
            k = n - kListedSilences / 2;
        }
        add_line(
            out, texts::kReportSilence, english,
            {moment_in_run(r.silences[k].from, r.start), moment_in_run(r.silences[k].to, r.start)});
    }
}

void add_unknowns(std::string& out, const RunReport& r, bool english) {
    std::string lines;
    if (!r.has_events) {
        add_line(lines, texts::kReportNoEvents, english);
    }
    if (r.skipped_rows > 0) {
        add_line(lines, texts::kReportSkippedRows, english, {std::to_string(r.skipped_rows)});
    }
    if (r.cut) {
        add_line(lines, texts::kReportCut, english);
    }
    if (r.not_saved) {
        add_line(lines, texts::kReportNotSavedNote, english);
    }
    if (r.junk > 0) {
        add_line(lines, texts::kReportJunk, english, {std::to_string(r.junk)});
    }
    if (!lines.empty()) {
        add_line(out, texts::kReportNotKnown, english);
        out += lines;
    }
}

} // namespace

std::string report_text(const RunReport& r, bool english) {
    std::string out;
    if (r.error != ReadError::None) {
        const std::string why =
            r.line_too_long                   ? texts::fill(texts::in(english, texts::kLineTooLong),
                                                            {std::to_string(RecordReader::kLineLimit)})
            : r.error == ReadError::NotRecord ? texts::in(english, texts::kNotRecord)
                                              : texts::in(english, texts::kNoDateLine);
        add_line(out, texts::kReportNoRecord, english, {why});
        return out;
    }
    add_head(out, r, english);
    add_steps(out, r, english);
    add_end(out, r, english);
    add_readings(out, r, english);
    add_unknowns(out, r, english);
    return out;
}

} // namespace kelvo::history
