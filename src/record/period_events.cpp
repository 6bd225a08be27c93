// SPDX-License-Identifier: GPL-3.0-or-later
#include "record/period_events.h"

#include <charconv>
#include <cstdio>
#include <cstdlib>

namespace kelvo {

namespace {

constexpr const char* kEventNames[] = {
    "output on",       "output off",       "voltage set",          "current set",      "step begun",
    "over-current on", "over-current off", "supply not answering", "supply answering", "link lost",
    "link back",       "limits set",       "limit reached",        "step ended",       "profile",
};
constexpr std::size_t kEventCount = sizeof kEventNames / sizeof kEventNames[0];
static_assert(kEventCount == static_cast<std::size_t>(EventKind::ProfileRun) + 1);

constexpr const char* kCauseNames[] = {
    "button",        "stop",       "run count",      "over-current trip", "max-voltage",
    "max-time",      "max-charge", "max-energy",     "off-after-silence", "remote",
    "window closed", "recovery",   "step condition",
};
static_assert(sizeof kCauseNames / sizeof kCauseNames[0] ==
              static_cast<std::size_t>(OffCause::StepCondition) + 1);

// A whole number of exactly `digits` digits at the front of `text`, taken off it.
std::optional<int> take_digits(std::string_view& text, std::size_t digits) {
    if (text.size() < digits) {
        return std::nullopt;
    }
    int value = 0;
    for (std::size_t i = 0; i < digits; ++i) {
        const char c = text[i];
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        value = value * 10 + (c - '0');
    }
    text.remove_prefix(digits);
    return value;
}

bool take(std::string_view& text, char c) {
    if (text.empty() || text.front() != c) {
        return false;
    }
    text.remove_prefix(1);
    return true;
}

std::string csv_field(const std::string& field) {
    if (field.find_first_of(",\"\r\n") == std::string::npos) {
        return field;
    }
    std::string out = "\"";
    for (const char c : field) {
        out += c;
        if (c == '"') {
            out += '"';
        }
    }
    return out + "\"";
}

// The fields of one CSV row; nothing when a quote is left open.
std::optional<std::vector<std::string>> csv_fields(std::string_view row) {
    std::vector<std::string> fields(1);
    bool quoted = false;
    for (std::size_t i = 0; i < row.size(); ++i) {
        const char c = row[i];
        if (quoted) {
            if (c == '"' && i + 1 < row.size() && row[i + 1] == '"') {
                fields.back() += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                fields.back() += c;
            }
        } else if (c == '"' && fields.back().empty()) {
            quoted = true;
        } else if (c == ',') {
            fields.emplace_back();
        } else {
            fields.back() += c;
        }
    }
    if (quoted) {
        return std::nullopt;
    }
    return fields;
}

// The time of day of a record line: what comes before its ten blanks.
std::string line_time(std::string_view line) {
    const std::size_t gap = line.find("          ");
    return std::string(line.substr(0, gap == std::string_view::npos ? line.size() : gap));
}

} // namespace

const char* event_name(EventKind kind) {
    return kEventNames[static_cast<std::size_t>(kind)];
}

std::optional<EventKind> event_of_name(std::string_view name) {
    for (std::size_t i = 0; i < kEventCount; ++i) {
        if (name == kEventNames[i]) {
            return static_cast<EventKind>(i);
        }
    }
    return std::nullopt;
}

const char* off_cause_name(OffCause cause) {
    return kCauseNames[static_cast<std::size_t>(cause)];
}

std::string iso_text(const Moment& m) {
    const int offset = m.utc_offset_minutes;
    const int magnitude = offset < 0 ? -offset : offset;
    char text[48];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03d%c%02d:%02d", m.local.year,
                  m.local.month, m.local.day, m.local.hour, m.local.minute, m.local.second,
                  m.millisecond, offset < 0 ? '-' : '+', magnitude / 60, magnitude % 60);
    return text;
}

std::optional<Moment> moment_of_iso(std::string_view text) {
    Moment m;
    const auto year = take_digits(text, 4);
    if (!year || !take(text, '-')) {
        return std::nullopt;
    }
    const auto month = take_digits(text, 2);
    if (!month || !take(text, '-')) {
        return std::nullopt;
    }
    const auto day = take_digits(text, 2);
    if (!day || !take(text, 'T')) {
        return std::nullopt;
    }
    const auto hour = take_digits(text, 2);
    if (!hour || !take(text, ':')) {
        return std::nullopt;
    }
    const auto minute = take_digits(text, 2);
    if (!minute || !take(text, ':')) {
        return std::nullopt;
    }
    const auto second = take_digits(text, 2);
    if (!second || !take(text, '.')) {
        return std::nullopt;
    }
    const auto ms = take_digits(text, 3);
    if (!ms || text.empty() || (text.front() != '+' && text.front() != '-')) {
        return std::nullopt;
    }
    const bool west = text.front() == '-';
    text.remove_prefix(1);
    const auto offset_hours = take_digits(text, 2);
    if (!offset_hours || !take(text, ':')) {
        return std::nullopt;
    }
    const auto offset_minutes = take_digits(text, 2);
    if (!offset_minutes || !text.empty() || *month < 1 || *month > 12 || *day < 1 || *day > 31 ||
        *hour > 23 || *minute > 59 || *second > 60 || *offset_hours > 23 || *offset_minutes > 59) {
        return std::nullopt;
    }
    m.local = {*year, *month, *day, *hour, *minute, *second};
    m.millisecond = *ms;
    m.utc_offset_minutes = (west ? -1 : 1) * (*offset_hours * 60 + *offset_minutes);
    return m;
}

std::string event_row(const PeriodEvent& event) {
    return iso_text(event.at) + "," + event_name(event.kind) + "," + csv_field(event.source) + "," +
           csv_field(event.detail);
}

std::optional<PeriodEvent> event_of_row(std::string_view row) {
    while (!row.empty() && (row.back() == '\r' || row.back() == '\n')) {
        row.remove_suffix(1);
    }
    const auto fields = csv_fields(row);
    if (!fields || fields->size() != 4) {
        return std::nullopt;
    }
    const auto at = moment_of_iso((*fields)[0]);
    const auto kind = event_of_name((*fields)[1]);
    if (!at || !kind) {
        return std::nullopt;
    }
    return PeriodEvent{*at, *kind, (*fields)[2], (*fields)[3]};
}

std::string events_file_text(const std::vector<PeriodEvent>& events) {
    std::string text = std::string(kEventsHeader) + "\r\n";
    for (const PeriodEvent& event : events) {
        text += event_row(event) + "\r\n";
    }
    return text;
}

std::vector<PeriodEvent> read_events_file(std::string_view text, std::size_t* skipped) {
    std::vector<PeriodEvent> events;
    std::size_t bad = 0;
    bool first = true;
    while (!text.empty()) {
        const std::size_t end = std::min(text.find('\n'), text.size());
        const std::string_view line = text.substr(0, end);
        text.remove_prefix(std::min(end + 1, text.size()));
        const bool header = first && line.substr(0, std::string_view(kEventsHeader).size()) ==
                                         std::string_view(kEventsHeader);
        first = false;
        if (header || line.empty() || line == "\r") {
            continue;
        }
        if (auto event = event_of_row(line)) {
            events.push_back(std::move(*event));
        } else {
            ++bad;
        }
    }
    if (skipped != nullptr) {
        *skipped = bad;
    }
    return events;
}

std::string events_path_of(const std::string& record_path) {
    const std::string suffix = ".TXT";
    const bool txt =
        record_path.size() >= suffix.size() &&
        record_path.compare(record_path.size() - suffix.size(), suffix.size(), suffix) == 0;
    return (txt ? record_path.substr(0, record_path.size() - suffix.size()) : record_path) +
           ".events.csv";
}

std::string figures_detail(const PeriodFigures& f) {
    char text[160];
    std::snprintf(text, sizeof text, "seconds=%.3f;charge_mAh=%.7f;energy_mWh=%.7f", f.seconds,
                  f.coulombs / 3.6, f.joules / 3.6);
    return text;
}

std::optional<PeriodFigures> figures_of_detail(std::string_view detail) {
    PeriodFigures figures;
    int found = 0;
    while (!detail.empty()) {
        const std::size_t end = std::min(detail.find(';'), detail.size());
        const std::string_view pair = detail.substr(0, end);
        detail.remove_prefix(std::min(end + 1, detail.size()));
        const std::size_t equals = pair.find('=');
        if (equals == std::string_view::npos) {
            return std::nullopt;
        }
        const std::string_view key = pair.substr(0, equals);
        const std::string_view number = pair.substr(equals + 1);
        double value = 0;
        const auto [stop, error] =
            std::from_chars(number.data(), number.data() + number.size(), value);
        if (error != std::errc() || stop != number.data() + number.size() || !(value >= 0) ||
            value > 1e15) {
            return std::nullopt;
        }
        // Each key once: a repeated one would leave another figure unsaid, as 0.
        int bit = 0;
        if (key == "seconds") {
            figures.seconds = value;
            bit = 1;
        } else if (key == "charge_mAh") {
            figures.coulombs = value * 3.6;
            bit = 2;
        } else if (key == "energy_mWh") {
            figures.joules = value * 3.6;
            bit = 4;
        } else {
            continue;
        }
        if ((found & bit) != 0) {
            return std::nullopt;
        }
        found |= bit;
    }
    if (found != 7) {
        return std::nullopt;
    }
    return figures;
}

void SilenceSpans::line(const std::string& time_text, bool measured) {
    if (measured) {
        if (open_) {
            closed_.push_back(current_);
            open_ = false;
        }
        return;
    }
    if (!open_) {
        current_ = {time_text, time_text};
        open_ = true;
    } else {
        current_.to = time_text;
    }
}

std::vector<SilenceSpan> SilenceSpans::spans() const {
    std::vector<SilenceSpan> all = closed_;
    if (open_) {
        all.push_back(current_);
    }
    return all;
}

std::string journal_event(const PeriodEvent& event) {
    return std::string(1, kJournalEventMark) + event_row(event) + "\n";
}

namespace {

// Takes a journal apart piece by piece: the log text between the marks, whose reading lines
// are measured unless a stale mark follows them, and the marks themselves.
class JournalSplitter {
public:
    void log_text(std::string_view text) {
        parts_.log.append(text);
        // Each "\r\n" starts a record line; it ends at the next one or where the text does.
        std::size_t from = 0;
        for (std::size_t crlf = text.find("\r\n"); crlf != std::string_view::npos;
             crlf = text.find("\r\n", from)) {
            const std::size_t start = crlf + 2;
            const std::size_t stop = std::min(text.find("\r\n", start), text.size());
            const std::string_view line = text.substr(start, stop - start);
            // Only reading lines count: they hold the ten blanks; the header does not.
            if (line.find("          ") != std::string_view::npos) {
                settle(true);
                pending_time_ = line_time(line);
                pending_ = true;
            }
            from = start;
        }
    }
    void mark(char kind, std::string_view row) {
        if (kind == kJournalStaleMark) {
            settle(false);
        } else if (auto event = event_of_row(row)) {
            parts_.events.push_back(std::move(*event));
        }
    }
    JournalParts finish() {
        settle(true);
        parts_.spans = spans_.spans();
        return std::move(parts_);
    }

private:
    void settle(bool measured) {
        if (pending_) {
            spans_.line(pending_time_, measured);
            pending_ = false;
        }
    }
    JournalParts parts_;
    SilenceSpans spans_;
    std::string pending_time_;
    bool pending_ = false;
};

} // namespace

JournalParts split_journal(std::string_view journal) {
    JournalSplitter splitter;
    std::size_t at = 0;
    while (at < journal.size()) {
        const char c = journal[at];
        if (c == kJournalEventMark || c == kJournalStaleMark) {
            const std::size_t end = std::min(journal.find('\n', at), journal.size());
            splitter.mark(c, journal.substr(at + 1, end - at - 1));
            at = std::min(end + 1, journal.size());
            continue;
        }
        const std::size_t next = std::min(journal.find_first_of("\x1e\x1d", at), journal.size());
        splitter.log_text(journal.substr(at, next - at));
        at = next;
    }
    return splitter.finish();
}

} // namespace kelvo
