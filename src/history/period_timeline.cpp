// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/period_timeline.h"

#include <algorithm>
#include <numeric>

namespace kelvo::history {

std::optional<int> timeline_offset(const std::vector<PeriodEvent>& events) {
    const auto on = std::find_if(events.begin(), events.end(), [](const PeriodEvent& e) {
        return e.kind == EventKind::OutputOn;
    });
    if (on != events.end()) {
        return on->at.utc_offset_minutes;
    }
    if (!events.empty()) {
        return events.front().at.utc_offset_minutes;
    }
    return std::nullopt;
}

namespace {

void note_event(Timeline& timeline, const PeriodEvent& event, std::int64_t at) {
    if (event.kind == EventKind::OutputOn && !timeline.on_ms) {
        timeline.on_ms = at;
    } else if (event.kind == EventKind::OutputOff) {
        timeline.off_ms = at;
        timeline.figures = figures_of_detail(event.detail);
    }
}

} // namespace

void attach_timeline(Series& series, std::vector<PeriodEvent> events) {
    Timeline timeline;
    timeline.utc_offset_minutes = timeline_offset(events);
    const int offset = timeline.utc_offset_minutes.value_or(0);
    std::vector<std::int64_t> at(events.size());
    std::transform(events.begin(), events.end(), at.begin(),
                   [&](const PeriodEvent& e) { return ms_after(series.start, e.at, offset); });
    // The file is written in order; a file put together by other hands may not be. Rows of
    // one moment keep the file's order.
    std::vector<std::size_t> order(events.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::sort(order.begin(), order.end(), [&at](std::size_t a, std::size_t b) {
        return at[a] != at[b] ? at[a] < at[b] : a < b;
    });
    timeline.events.reserve(events.size());
    timeline.at_ms.reserve(events.size());
    for (const std::size_t k : order) {
        note_event(timeline, events[k], at[k]);
        timeline.events.push_back(std::move(events[k]));
        timeline.at_ms.push_back(at[k]);
    }
    series.timeline = std::move(timeline);
}

void add_timeline_event(Series& series, const PeriodEvent& event) {
    Timeline& timeline = series.timeline;
    if (!timeline.utc_offset_minutes || event.kind == EventKind::OutputOn) {
        timeline.utc_offset_minutes = event.at.utc_offset_minutes;
    }
    const std::int64_t at = ms_after(series.start, event.at, *timeline.utc_offset_minutes);
    const auto place = std::upper_bound(timeline.at_ms.begin(), timeline.at_ms.end(), at);
    const auto index = place - timeline.at_ms.begin();
    timeline.at_ms.insert(place, at);
    timeline.events.insert(timeline.events.begin() + index, event);
    note_event(timeline, event, at);
}

std::vector<PeriodEvent> timeline_of_record(const Series& series,
                                            const std::function<int(const DateTime&)>& offset_of) {
    const auto row = [&](const DateTime& local, EventKind kind) {
        return PeriodEvent{Moment{local, 0, offset_of(local)}, kind, {}, {}};
    };
    std::vector<PeriodEvent> events{row(series.start, EventKind::OutputOn)};
    for (const SampleRun& run : series.unmeasured) {
        const Sample& first = series.samples[run.first];
        const Sample& last = series.samples[run.first + run.count - 1];
        events.push_back(row(moment_after(series.start, first.seconds), EventKind::SupplySilent));
        events.push_back(row(moment_after(series.start, last.seconds), EventKind::SupplyAnswering));
    }
    return events;
}

RunSpan run_span(const Series& series, const SampleRun& run) {
    const std::vector<Sample>& s = series.samples;
    const std::size_t end = std::size_t{run.first} + run.count;
    const Timeline& t = series.timeline;
    RunSpan span;
    if (run.first > 0) {
        span.from = s[run.first - 1].seconds;
    } else {
        span.from = t.on_ms ? static_cast<double>(*t.on_ms) / 1000.0 : 0.0;
        span.from = std::min<double>(span.from, s[run.first].seconds);
    }
    if (end < s.size()) {
        span.to = s[end].seconds;
    } else {
        span.to = t.off_ms ? static_cast<double>(*t.off_ms) / 1000.0 : 0.0;
        span.to = std::max<double>(span.to, s[end - 1].seconds);
    }
    return span;
}

} // namespace kelvo::history
