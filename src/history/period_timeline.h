// history/: a period's timeline beside its readings: the events file's rows on the record's
// time axis, and what a record tells of its timeline when it has no events file.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "history/record_reader.h"

#include <functional>
#include <vector>

namespace kelvo::history {

// The date line's offset from UTC as the events tell it: the output-on row's, else the
// first row's; nothing without rows.
std::optional<int> timeline_offset(const std::vector<PeriodEvent>& events);

// The events put on the series' time axis, in time order, with the moments the output went
// on and off and the figures the program gave the period.
void attach_timeline(Series& series, std::vector<PeriodEvent> events);
// One more event of a running period, as it comes.
void add_timeline_event(Series& series, const PeriodEvent& event);

// The timeline a record tells by itself: the output on at its date line, and for each
// silence a "supply not answering" row at its first line and a "supply answering" row at
// its last. `offset_of` gives a local moment's offset from UTC in minutes.
std::vector<PeriodEvent> timeline_of_record(const Series& series,
                                            const std::function<int(const DateTime&)>& offset_of);

// The time span of a run on the time axis, in seconds after the date line: from the
// measured reading before it to the measured reading after it, where the lines leave off
// and take up again (the switch-on and switch-off stand in at the ends of the period).
struct RunSpan {
    double from = 0;
    double to = 0;
};
RunSpan run_span(const Series& series, const SampleRun& run);

} // namespace kelvo::history
