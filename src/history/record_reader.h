// history/ owns reading records back: the parser that turns a record file into a compact
// series of readings, the period's charge and energy over it, and the CSV export.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/services.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kelvo::history {

// One reading: seconds since the date line's time, and the readings in the supply's own
// codes (10 mV, 1 mA). Eight bytes, so a week of readings takes under 5 MB.
struct Sample {
    std::int32_t seconds = 0;
    std::uint16_t volt_code = 0;
    std::uint16_t amp_code = 0;
};

enum class ReadError {
    None,
    NotRecord,  // the first line is not the program's name
    NoDateLine, // the name, but no date line after it
};

struct Series {
    platform::DateTime start; // the date line: the day and the time the output went on
    std::vector<Sample> samples;
    std::string path;       // what the save line says, empty without one
    std::string reason;     // why the record was not saved, after "Record NOT saved: "
    bool saved = false;     // ends with a save line
    bool not_saved = false; // ends with the note that it could not be saved
    bool recovered = false; // made at start-up from a period a crash left open
    bool cut = false;       // ends without either: a file cut short, or a period still running
    std::size_t junk = 0;   // lines that are none of the above, skipped
    ReadError error = ReadError::None;
};

// Reads a record as it comes, chunk by chunk, holding only the line being read: a file of
// any length is never in memory as a whole.
class RecordReader {
public:
    void feed(std::string_view chunk);
    // The end of the file: a last line without its line end is read too, when whole.
    void finish();
    const Series& series() const { return series_; }
    Series take() { return std::move(series_); }

private:
    enum class State { Name, Header, Readings, Ended, Failed };
    void line(std::string_view text, bool last);
    void header_line(std::string_view text);
    void reading_line(std::string_view text, bool last);
    void add(int time_of_day, int volt_code, int amp_code);
    Series series_;
    State state_ = State::Name;
    std::string partial_;
    int start_time_ = 0;      // the date line's time of day, in seconds
    int last_time_ = 0;       // the previous line's time of day
    std::int64_t offset_ = 0; // added to a time of day to give seconds since the date line
};

// A whole record in one string (the log of a running period, a test's text).
Series read_record(std::string_view text);

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
std::int64_t seconds_between(const platform::DateTime& from, const platform::DateTime& to);
// The moment `seconds` after `start`.
platform::DateTime moment_after(const platform::DateTime& start, std::int64_t seconds);

} // namespace kelvo::history
