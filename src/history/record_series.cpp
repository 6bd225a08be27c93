// SPDX-License-Identifier: GPL-3.0-or-later
// A record read whole, with its timeline, and the runs of its readings that were not measured.
#include "history/period_timeline.h"
#include "history/record_reader.h"

#include "base/texts.h"

#include <algorithm>

namespace kelvo::history {

bool read_end_line(std::string_view line, Series& series) {
    std::string_view text = line;
    if (!text.empty() && text.back() == '\r') {
        text.remove_suffix(1);
    }
    for (const char* label : {texts::kSavePath.en, texts::kSavePath.zh}) {
        if (text.starts_with(label)) {
            series.path = text.substr(std::string_view(label).size());
            series.saved = true;
            series.cut = false;
            return true;
        }
    }
    for (const char* label : {texts::kRecordNotSaved.en, texts::kRecordNotSaved.zh}) {
        if (text.starts_with(label)) {
            series.reason = text.substr(std::string_view(label).size());
            series.not_saved = true;
            series.cut = false;
            return true;
        }
    }
    return false;
}

Series read_record(std::string_view text) {
    RecordReader reader;
    reader.feed(text);
    reader.finish();
    return reader.take();
}

Series read_period(std::string_view record, std::string_view events_file) {
    std::vector<PeriodEvent> events = read_events_file(events_file);
    RecordReader reader;
    reader.use_events(events);
    reader.feed(record);
    reader.finish();
    Series series = reader.take();
    if (series.error == ReadError::None) {
        attach_timeline(series, std::move(events));
    }
    return series;
}

bool is_measured(const Series& series, std::size_t index) {
    const auto after =
        std::upper_bound(series.unmeasured.begin(), series.unmeasured.end(), index,
                         [](std::size_t i, const SampleRun& run) { return i < run.first; });
    return after == series.unmeasured.begin() ||
           index >= std::size_t{std::prev(after)->first} + std::prev(after)->count;
}

MeasuredWalk::MeasuredWalk(const std::vector<SampleRun>& runs, std::size_t from) : runs_(&runs) {
    next_ =
        static_cast<std::size_t>(std::upper_bound(runs.begin(), runs.end(), from,
                                                  [](std::size_t i, const SampleRun& run) {
                                                      return i < std::size_t{run.first} + run.count;
                                                  }) -
                                 runs.begin());
}

std::size_t unmeasured_count(const Series& series) {
    std::size_t count = 0;
    for (const SampleRun& run : series.unmeasured) {
        count += run.count;
    }
    return count;
}

} // namespace kelvo::history
