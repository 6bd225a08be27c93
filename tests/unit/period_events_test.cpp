// The timeline's own formats: moments, rows, the figures of the output-off row, the journal
// taken apart.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "record/period_events.h"

#include <gtest/gtest.h>

namespace kelvo::testing {
namespace {

TEST(PeriodEvents, RowsAndMomentsReadBackAsWritten) {
    const PeriodEvent event{{{2026, 12, 9, 4, 10, 7}, 123, -150},
                            EventKind::LimitsSet,
                            "window",
                            "max-voltage=5.00 V; a \"quoted\", word"};
    const std::string row = event_row(event);
    EXPECT_EQ(row, "2026-12-09T04:10:07.123-02:30,limits set,window,\"max-voltage=5.00 V; a "
                   "\"\"quoted\"\", word\"");
    const auto back = event_of_row(row + "\r");
    ASSERT_TRUE(back);
    EXPECT_EQ(iso_text(back->at), "2026-12-09T04:10:07.123-02:30");
    EXPECT_EQ(back->detail, event.detail);
    for (const char* bad :
         {"2026-12-09T04:10:07.123+01:00,no such event,,",
          "2026-13-09T04:10:07.123+01:00,output on,,", "2026-12-09T04:10:07+01:00,output on,,",
          "2026-12-09T04:10:07.123+01:00,output on,\"open,",
          "2026-12-09T04:10:07.123+01:00,output on,"}) {
        EXPECT_FALSE(event_of_row(bad)) << bad;
    }
    EXPECT_EQ(events_path_of("/r/2026129411.TXT"), "/r/2026129411.events.csv");
    EXPECT_EQ(events_path_of("/r/x"), "/r/x.events.csv");
}

TEST(PeriodEvents, TheFiguresOfTheOffRowAreAllThreeOrNone) {
    const auto figures = figures_of_detail(figures_detail({9.003, 3.6 * 1.2345678, 3.6 * 6.5}));
    ASSERT_TRUE(figures);
    EXPECT_NEAR(figures->seconds, 9.003, 1e-9);
    EXPECT_NEAR(figures->coulombs / 3.6, 1.2345678, 1e-7);
    EXPECT_NEAR(figures->joules / 3.6, 6.5, 1e-7);
    for (const char* bad :
         {"seconds=1;charge_mAh=2", "seconds=1;seconds=2;charge_mAh=3",
          "seconds=1;seconds=2;charge_mAh=3;energy_mWh=4", "seconds=1;charge_mAh=-2;energy_mWh=3",
          "seconds=1;charge_mAh=nan;energy_mWh=3", "seconds"}) {
        EXPECT_FALSE(figures_of_detail(bad)) << bad;
    }
}

TEST(PeriodEvents, AJournalGivesItsLogItsEventsAndItsUnmeasuredSpans) {
    const PeriodEvent on{{{2026, 3, 4, 9, 5, 7}, 0, 60}, EventKind::OutputOn, "button", ""};
    const std::string log_start = "KELVO\r\nVersion: 1.0\r\n2026-3-4   9:05:07";
    const auto line = [](const char* time) {
        return std::string("\r\n") + time + "          12.34V          0.567A";
    };
    const std::string journal = log_start + journal_event(on) + line("9:05:08") + line("9:05:09") +
                                kJournalStaleLine + line("9:05:10") + kJournalStaleLine +
                                line("9:05:11") + line("9:05:12") + kJournalStaleLine;
    const JournalParts parts = split_journal(journal);
    EXPECT_EQ(parts.log, log_start + line("9:05:08") + line("9:05:09") + line("9:05:10") +
                             line("9:05:11") + line("9:05:12"));
    ASSERT_EQ(parts.events.size(), 1u);
    EXPECT_EQ(parts.events[0].source, "button");
    ASSERT_EQ(parts.spans.size(), 2u);
    EXPECT_EQ(parts.spans[0].from, "9:05:09");
    EXPECT_EQ(parts.spans[0].to, "9:05:10");
    // The last line's mark made it to disk before the crash: a span still open.
    EXPECT_EQ(parts.spans[1].from, "9:05:12");
    EXPECT_EQ(parts.spans[1].to, "9:05:12");
}

} // namespace
} // namespace kelvo::testing
