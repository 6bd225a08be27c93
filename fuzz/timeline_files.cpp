// The files a period leaves and the program reads back, on any bytes: the limits file, the
// events file and the journal. Each reads without crashing, and what it reads writes back
// to a text that reads the same.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "check.h"
#include "limits/output_limits.h"
#include "record/period_events.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

using namespace kelvo;

namespace {

bool same(const PeriodEvent& a, const PeriodEvent& b) {
    return iso_text(a.at) == iso_text(b.at) && a.kind == b.kind && a.source == b.source &&
           a.detail == b.detail;
}

void limits_file(std::string_view text) {
    std::string why;
    const auto limits = read_limits_file(text, why);
    if (!limits) {
        KELVO_FUZZ_REQUIRE(!why.empty());
        return;
    }
    for (const LimitKind kind : kLimitKinds) {
        if (const auto& value = (*limits)[kind]) {
            KELVO_FUZZ_REQUIRE(*value >= limit_lowest(kind) && *value <= limit_highest(kind));
        }
    }
    KELVO_FUZZ_REQUIRE(limits->voltage_code() >= 0 && limits->voltage_code() <= 3100);
    KELVO_FUZZ_REQUIRE(limits->current_code() >= 0 && limits->current_code() <= 5100);
    // Written back and read again: the values as written (three decimals), and the same
    // text when written once more.
    const std::string written = limits_file_text(*limits);
    const auto again = read_limits_file(written, why);
    KELVO_FUZZ_REQUIRE(again.has_value());
    KELVO_FUZZ_REQUIRE(limits_file_text(*again) == written);
}

void events_file(std::string_view text) {
    for (const PeriodEvent& event : read_events_file(text)) {
        const auto back = event_of_row(event_row(event));
        KELVO_FUZZ_REQUIRE(back.has_value() && same(*back, event));
    }
}

void journal(std::string_view text) {
    const JournalParts parts = split_journal(text);
    KELVO_FUZZ_REQUIRE(parts.log.size() <= text.size());
    KELVO_FUZZ_REQUIRE(parts.log.find_first_of("\x1e\x1d") == std::string::npos);
    for (const SilenceSpan& span : parts.spans) {
        KELVO_FUZZ_REQUIRE(span.from.find("\r\n") == std::string::npos);
        KELVO_FUZZ_REQUIRE(span.to.find("\r\n") == std::string::npos);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);
    switch (data[0] % 3) {
    case 0:
        limits_file(text);
        break;
    case 1:
        events_file(text);
        break;
    default:
        journal(text);
        break;
    }
    return 0;
}
