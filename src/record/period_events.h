// record/: the timeline of an output period: every event with its moment to the
// millisecond, as kept in the journal while the period runs and then in the file beside
// its record (NAME.events.csv beside NAME.TXT); and the spans in which the supply did not
// answer, which the record's note lines name.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/timeline.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kelvo {

const char* event_name(EventKind kind);
std::optional<EventKind> event_of_name(std::string_view name);
const char* off_cause_name(OffCause cause);

// "2026-12-09T04:10:07.123+01:00" (ISO 8601, the local time and its offset).
std::string iso_text(const Moment& moment);
// Back from that text; nothing when it is not one.
std::optional<Moment> moment_of_iso(std::string_view text);

// The file's first line, without its line end.
inline constexpr const char* kEventsHeader = "time,event,source,detail";
// A row of the file (no line end): the fields quoted as CSV wants them when they hold a
// comma, a quote or a line break.
std::string event_row(const PeriodEvent& event);
// A row back; nothing for a line that is not one (the header included).
std::optional<PeriodEvent> event_of_row(std::string_view row);
// The whole file: the header and a row per event, each line ending in "\r\n".
std::string events_file_text(const std::vector<PeriodEvent>& events);
// Every row of a file that reads; rows that do not are skipped and counted in `skipped`.
std::vector<PeriodEvent> read_events_file(std::string_view text, std::size_t* skipped = nullptr);
// "…/2026129411.TXT" gives "…/2026129411.events.csv"; a name without ".TXT" gets the
// suffix added.
std::string events_path_of(const std::string& record_path);

// The output-off row's detail: "seconds=9.003;charge_mAh=1.2345678;energy_mWh=6.1728391",
// the period's figures as the program counted them, and back.
struct PeriodFigures {
    double seconds = 0;
    double coulombs = 0;
    double joules = 0;
};
std::string figures_detail(const PeriodFigures& figures);
std::optional<PeriodFigures> figures_of_detail(std::string_view detail);

// The spans in which the readings logged were not measured: runs of consecutive record
// lines logged while the supply was not answering, each from the time of day of its first
// line to that of its last, as the record lines write them.
struct SilenceSpan {
    std::string from;
    std::string to;
};
class SilenceSpans {
public:
    // A record line was logged at `time_text`; `measured` when its reading was.
    void line(const std::string& time_text, bool measured);
    // The spans so far, the one still open included.
    std::vector<SilenceSpan> spans() const;
    bool open() const { return open_; }

private:
    std::vector<SilenceSpan> closed_;
    SilenceSpan current_;
    bool open_ = false;
};

// The journal holds the record log as it grows, and between its lines the timeline:
// an event is the byte 0x1E, its row and "\n"; a reading that was not measured is marked
// by the byte 0x1D and "\n" right after its line. Neither byte appears in a record.
inline constexpr char kJournalEventMark = '\x1e';
inline constexpr char kJournalStaleMark = '\x1d';
std::string journal_event(const PeriodEvent& event);
inline constexpr const char* kJournalStaleLine = "\x1d\n";

// A journal taken apart: the record log, the events, the spans of its unmeasured lines.
struct JournalParts {
    std::string log;
    std::vector<PeriodEvent> events;
    std::vector<SilenceSpan> spans;
};
JournalParts split_journal(std::string_view journal);

} // namespace kelvo
