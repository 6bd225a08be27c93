// history/ owns reading records back: the parser that turns a record file into a compact
// series of readings, the period's charge and energy over it, and the CSV export.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/time.h"
#include "record/period_events.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kelvo::history {

// One reading: seconds since the date line's time, and the readings in the supply's own
// codes (10 mV, 1 mA). Eight bytes, so a week of readings takes under 5 MB.
struct Sample {
    std::int32_t seconds = 0;
    std::uint16_t volt_code = 0;
    std::uint16_t amp_code = 0;
};

// Readings samples[first] to samples[first + count - 1], logged while the supply did not
// answer: not measured. A run per silence keeps the samples at eight bytes.
struct SampleRun {
    std::uint32_t first = 0;
    std::uint32_t count = 0;
    bool operator==(const SampleRun&) const = default;
};

// The events file beside the record, put on the record's time axis.
struct Timeline {
    std::vector<PeriodEvent> events;    // in time order
    std::vector<std::int64_t> at_ms;    // each event's time: milliseconds after the date line
    std::optional<std::int64_t> on_ms;  // the output went on
    std::optional<std::int64_t> off_ms; // and off
    // The program's own figures of the period, from the output-off row.
    std::optional<PeriodFigures> figures;
    // The date line's offset from UTC (the output-on row's), once an event has come.
    std::optional<int> utc_offset_minutes;
};

enum class ReadError {
    None,
    NotRecord,  // the first line is not the program's name
    NoDateLine, // the name, but no date line after it
};

struct Series {
    DateTime start; // the date line: the day and the time the output went on
    std::vector<Sample> samples;
    std::string path;       // what the save line says, empty without one
    std::string reason;     // why the record was not saved, after "Record NOT saved: "
    bool saved = false;     // ends with a save line
    bool not_saved = false; // ends with the note that it could not be saved
    bool recovered = false; // made at start-up from a period a crash left open
    bool cut = false;       // ends without either: a file cut short, or a period still running
    std::size_t junk = 0;   // lines that are none of the above, skipped
    ReadError error = ReadError::None;
    bool line_too_long = false;        // the error: a line over RecordReader::kLineLimit
    std::vector<SampleRun> unmeasured; // in time order, apart
    bool limit_off = false;            // a limit switched the output off
    std::string limit_reason;          // which, in the record's words
    Timeline timeline;                 // empty without an events file
};

// Whether each sample, taken in order of its index, was measured: a step costs a compare.
class MeasuredWalk {
public:
    explicit MeasuredWalk(const std::vector<SampleRun>& runs) : runs_(&runs) {}
    // From sample `from` on, without stepping through the runs before it.
    MeasuredWalk(const std::vector<SampleRun>& runs, std::size_t from);
    bool measured(std::size_t index) {
        while (next_ < runs_->size() &&
               std::size_t{(*runs_)[next_].first} + (*runs_)[next_].count <= index) {
            ++next_;
        }
        return next_ == runs_->size() || index < (*runs_)[next_].first;
    }

private:
    const std::vector<SampleRun>* runs_;
    std::size_t next_ = 0;
};

bool is_measured(const Series& series, std::size_t index);
std::size_t unmeasured_count(const Series& series);

// Reads a record as it comes, chunk by chunk, holding only the line being read: a file of
// any length is never in memory as a whole.
class RecordReader {
public:
    // The longest line a record may hold, its line end left out. The program's own lines
    // are under a hundred bytes but the save line, which holds a path of up to 4096 bytes;
    // a longer line ends the reading with the file taken as no record, and what was held
    // of it is let go: a file with no line end (a disk image, a log of a single line) is
    // read in the memory of one line.
    static constexpr std::size_t kLineLimit = 8192;
    // The period's events, when its events file is at hand: a note line names a silence by
    // times of day alone, and in a period of more than a day the moments of the "supply
    // not answering" rows tell which day's lines it means.
    void use_events(const std::vector<PeriodEvent>& events);
    void feed(std::string_view chunk);
    // The end of the file: a last line without its line end is read too, when whole.
    void finish();
    const Series& series() const { return series_; }
    // Nothing more can change the series: the file is taken as no record.
    bool failed() const { return state_ == State::Failed; }
    Series take() { return std::move(series_); }

private:
    enum class State { Name, Header, Readings, Ended, Failed };
    void line(std::string_view text, bool last);
    void fail_long_line();
    void header_line(std::string_view text);
    void reading_line(std::string_view text, bool last);
    void add(int time_of_day, int volt_code, int amp_code);
    bool note_line(std::string_view text);
    void silence_note(int from, int to);
    std::optional<std::size_t> silence_start(int from);
    int time_of_sample(std::size_t index) const;
    Series series_;
    State state_ = State::Name;
    std::string partial_;
    int start_time_ = 0;      // the date line's time of day, in seconds
    int last_time_ = 0;       // the previous line's time of day
    std::int64_t offset_ = 0; // added to a time of day to give seconds since the date line
    // Where offset_ changed: from that sample on, the offset given (midnight passes and
    // clocks set back are rare, so this stays a few entries long).
    std::vector<std::pair<std::size_t, std::int64_t>> offsets_;
    std::size_t searched_ = 0; // a silence note is looked for from here on
    std::vector<Moment> silent_moments_;
    std::optional<int> events_offset_;
};

// A whole record in one string (the log of a running period, a test's text).
Series read_record(std::string_view text);
// A record and the text of its events file (empty when there is none), as one period.
Series read_period(std::string_view record, std::string_view events_file);

// The lines that close a finished period's log (the note lines and the save line), read
// into a series whose readings came one by one; the silence notes are left alone, the
// readings' own marks told those.
void read_closing_lines(std::string_view log, Series& series);

// A record's last line: the save line (its path) or the note that it could not be saved
// (the reason), read into `series`; false for any other line.
bool read_end_line(std::string_view line, Series& series);

// Seconds of the day of a time written in any locale's long format: "15:50:17",
// "3:50:17 PM", "下午3:50:17"; -1 when it is not one.
int time_of_day(std::string_view text);
// A fixed-point number with `decimals` places as a whole count of its last place
// ("12.00" with 2 gives 1200); -1 when it is not one or above 65535.
int fixed_code(std::string_view text, int decimals);

// Seconds from one moment to the other, across days, months and years.
std::int64_t seconds_between(const DateTime& from, const DateTime& to);
// Milliseconds from the date line to a moment of the timeline; `utc_offset_minutes` is the
// date line's offset, so that a change of summer time in between does not move it.
std::int64_t ms_after(const DateTime& start, const Moment& at, int utc_offset_minutes);
// The moment `seconds` after `start`.
DateTime moment_after(const DateTime& start, std::int64_t seconds);

} // namespace kelvo::history
