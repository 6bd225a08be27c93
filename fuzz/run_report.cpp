// A run's report from a record and its events file on any bytes (split at the first 0x1F
// byte): no crash, a text in both languages that ends its lines, the same report from the
// events as read and as their file's text, steps that each were begun or ended, lowest
// never above highest, and silences no more than the lines not measured.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/run_report.h"
#include "check.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

using namespace kelvo;
using namespace kelvo::history;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    const std::string_view data(reinterpret_cast<const char*>(bytes), size);
    const std::size_t split = std::min(data.find('\x1f'), data.size());
    const std::string_view record = data.substr(0, split);
    const std::string_view events = data.substr(std::min(split + 1, data.size()));
    const RunReport report = run_report(record, events);
    const RunReport again = run_report(record, read_events_file(events));
    KELVO_FUZZ_REQUIRE(again.steps.size() == report.steps.size());
    KELVO_FUZZ_REQUIRE(again.measured == report.measured);
    for (const bool english : {true, false}) {
        const std::string text = report_text(report, english);
        KELVO_FUZZ_REQUIRE(!text.empty() && text.back() == '\n');
    }
    if (report.error != ReadError::None) {
        KELVO_FUZZ_REQUIRE(report.steps.empty() && report.measured == 0);
        return 0;
    }
    for (const ReportStep& step : report.steps) {
        KELVO_FUZZ_REQUIRE(step.begun || step.end_told);
        KELVO_FUZZ_REQUIRE(!step.end || step.end_told);
    }
    KELVO_FUZZ_REQUIRE(report.volts.has_value() == (report.measured > 0));
    if (report.volts && report.amps) {
        KELVO_FUZZ_REQUIRE(report.volts->lowest <= report.volts->highest);
        KELVO_FUZZ_REQUIRE(report.amps->lowest <= report.amps->highest);
    }
    KELVO_FUZZ_REQUIRE(report.silences.size() <= report.unmeasured);
    KELVO_FUZZ_REQUIRE(report.coulombs >= 0 && report.joules >= 0);
    return 0;
}
