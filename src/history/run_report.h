// history/: the report of a run: what a record and its timeline tell of one output period
// (the profile, the steps and why each ended, what ended the run, the figures, the lowest
// and highest measured readings, the silences), and that as a short text in either
// language. What neither file tells is said to be unknown, never guessed.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "history/record_reader.h"
#include "program/step_condition.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kelvo::history {

// One step of the program as the timeline tells it: its "step begun" row and the "step
// ended" row that closed it, either of which may be missing from a damaged file.
struct ReportStep {
    std::string source;    // "step 2"
    std::string setpoints; // "pass 1: 5.00 V 1.000 A 3 s"
    std::optional<DateTime> begun;
    std::optional<DateTime> ended;
    bool end_told = false;
    std::optional<StepEnd> end; // nothing when the detail's first word is none of them
    std::string end_detail;     // the detail after its word: "I<0.100 A at 0.098 A after 754 s"
};

// The lowest and highest of the measured readings.
struct ReportRange {
    double lowest = 0;
    double highest = 0;
};

struct ReportSpan {
    DateTime from;
    DateTime to;
};

struct RunReport {
    ReadError error = ReadError::None; // the record is none: nothing else is known
    bool line_too_long = false;
    std::string profile; // the "profile" row's source and detail, empty without one
    std::string profile_settings;
    DateTime start;
    std::optional<DateTime> end; // the switch-off, else the last reading
    bool end_from_readings = false;
    std::optional<double> seconds; // how long the output was on
    bool seconds_from_readings = false;
    double coulombs = 0;
    double joules = 0;
    bool figures_from_readings = false; // no output-off row with the program's figures
    std::vector<ReportStep> steps;
    std::optional<std::string> off_cause; // the "output off" row's source
    std::string stopping_step;            // the step whose condition ended the run
    std::string stopping_condition;       // and its end: "I<0.100 A, stop at 0.098 A after 9 s"
    std::string limit_reason;             // the limit that switched the output off
    std::optional<ReportRange> volts;     // nothing without a measured reading
    std::optional<ReportRange> amps;
    std::size_t measured = 0;
    std::size_t unmeasured = 0;
    std::vector<ReportSpan> silences; // from the first to the last line not measured
    bool has_events = false;          // the timeline has rows
    std::size_t skipped_rows = 0;     // rows of the events file that did not read
    bool saved = false;
    bool not_saved = false;
    bool recovered = false;
    bool cut = false;
    std::size_t junk = 0;
    // A step program ran in the period: the timeline tells of a step.
    bool program_run() const { return !steps.empty(); }
};

// The report of a series read with its timeline; `skipped_rows` as read_events_file counted.
RunReport run_report(const Series& series, std::size_t skipped_rows = 0);
// The report of a record's text and its events file's text (empty when there is none).
RunReport run_report(std::string_view record, std::string_view events_file);
// The report of a record's text and the period's events as the program kept them.
RunReport run_report(std::string_view record, const std::vector<PeriodEvent>& events);

// The report as a short plain text of lines ending in "\n".
std::string report_text(const RunReport& report, bool english);

// "…/2026129411.TXT" gives "…/2026129411.report.txt", beside its events file; a name
// without ".TXT" gets the suffix added.
std::string report_path_of(const std::string& record_path);
// The picture of the run's plot beside it: "…/2026129411.report.png".
std::string report_image_path_of(const std::string& record_path);

} // namespace kelvo::history
