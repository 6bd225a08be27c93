// A record and its events file on any bytes (split at the first 0x1F byte): no crash, the
// same period whether the record comes at once or in pieces, silent runs in order and
// inside the readings, events in time order, figures that never go negative, a CSV row for
// each reading and one for the switch-off, and a timeline that reads back as written.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "check.h"
#include "history/period_sum.h"
#include "history/period_timeline.h"
#include "history/plot_view.h"
#include "history/record_csv.h"
#include "history/record_reader.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string_view>

using namespace kelvo;
using namespace kelvo::history;

namespace {

void check_runs(const Series& s) {
    std::size_t end = 0;
    for (std::size_t k = 0; k < s.unmeasured.size(); ++k) {
        const SampleRun& run = s.unmeasured[k];
        KELVO_FUZZ_REQUIRE(run.count > 0);
        KELVO_FUZZ_REQUIRE(k == 0 || run.first > end); // apart: touching runs are one
        end = std::size_t{run.first} + run.count;
        KELVO_FUZZ_REQUIRE(end <= s.samples.size());
    }
    KELVO_FUZZ_REQUIRE(s.timeline.events.size() == s.timeline.at_ms.size());
    KELVO_FUZZ_REQUIRE(std::is_sorted(s.timeline.at_ms.begin(), s.timeline.at_ms.end()));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    const std::string_view data(reinterpret_cast<const char*>(bytes), size);
    const std::size_t split = std::min(data.find('\x1f'), data.size());
    const std::string_view record = data.substr(0, split);
    const std::string_view events = data.substr(std::min(split + 1, data.size()));
    const Series whole = read_period(record, events);

    RecordReader reader;
    reader.use_events(read_events_file(events));
    const std::size_t step = size > 0 ? std::size_t{bytes[0]} % 13 + 1 : 1;
    for (std::size_t at = 0; at < record.size(); at += step) {
        reader.feed(record.substr(at, step));
    }
    reader.finish();
    const Series pieces = reader.take();
    KELVO_FUZZ_REQUIRE(pieces.error == whole.error && pieces.junk == whole.junk);
    KELVO_FUZZ_REQUIRE(pieces.samples.size() == whole.samples.size());
    KELVO_FUZZ_REQUIRE(pieces.unmeasured == whole.unmeasured);
    KELVO_FUZZ_REQUIRE(pieces.limit_reason == whole.limit_reason);
    if (whole.error != ReadError::None) {
        return 0;
    }
    check_runs(whole);

    const PeriodSum sum = period_sum(whole);
    KELVO_FUZZ_REQUIRE(sum.coulombs() >= 0 && sum.joules() >= 0);
    KELVO_FUZZ_REQUIRE(std::isfinite(sum.coulombs()) && std::isfinite(sum.joules()));

    std::ostringstream csv;
    KELVO_FUZZ_REQUIRE(write_csv(whole, csv));
    const std::string text = csv.str();
    const std::size_t rows = whole.samples.size() + 1 + (whole.timeline.off_ms ? 1 : 0);
    KELVO_FUZZ_REQUIRE(static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) ==
                       rows);

    PlotView view;
    make_plot_view(whole.samples, whole.unmeasured, 0, 100, 10, view);
    KELVO_FUZZ_REQUIRE(view.seconds.size() <= std::max<std::size_t>(24, 2 * whole.samples.size()));
    KELVO_FUZZ_REQUIRE(std::is_sorted(view.seconds.begin(), view.seconds.end()));
    for (const SampleRun& run : whole.unmeasured) {
        const RunSpan span = run_span(whole, run);
        KELVO_FUZZ_REQUIRE(span.from <= span.to);
    }

    const std::vector<PeriodEvent> told =
        timeline_of_record(whole, [](const DateTime&) { return 60; });
    KELVO_FUZZ_REQUIRE(told.size() == 1 + 2 * whole.unmeasured.size());
    // ISO 8601 has four digits for the year; a date line may have five.
    if (whole.start.year <= 9000) {
        KELVO_FUZZ_REQUIRE(read_events_file(events_file_text(told)).size() == told.size());
    }

    Series closed = whole;
    read_closing_lines(record, closed);
    return 0;
}
