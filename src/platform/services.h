// platform/ services: the step table's record set and grid, the serial port, the screen,
// the clock, files and message boxes.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/time.h"
#include "platform/controls.h"
#include "platform/report.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <variant>
#include <vector>

namespace kelvo::platform {

// A start-up step that cannot be carried out: the text names the file and the reason.
class StartupError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// One field of a step-table record as the database delivers it.
using FieldValue = std::variant<std::monostate, double, std::string>;

// The fields that hold a step's end condition, after the three described ones, found by
// their names in any case: end when, level, shortest and longest seconds, then. A table without
// them runs its steps on their seconds.
inline constexpr std::array<const char*, 5> kConditionFieldNames{
    "EndWhen", "EndLevel", "ShortestSeconds", "LongestSeconds", "Then"};

// The grid's columns: the three described fields, then the condition's five where the table
// has them.
inline constexpr int kGridColumns = 8;

// A step as it goes into the table: volts, amperes, seconds, and its condition's cells in
// the order of kConditionFieldNames (all empty: the step lasts its seconds).
struct StepRow {
    std::array<double, 3> values{};
    std::array<FieldValue, 5> condition{};
};

// The step table: a database table read and written through a record set whose current
// record is also the grid's current row.
class RecordSet {
public:
    virtual ~RecordSet() = default;
    virtual void set_database(const std::string& path) = 0;
    virtual void set_record_source(const std::string& table) = 0;
    // Opens the database and reads the whole table; throws StartupError on failure.
    virtual void refresh() = 0;
    virtual int record_count() const = 0;
    virtual int field_count() const = 0;
    virtual void move_first() = 0;
    virtual void move_next() = 0;
    virtual FieldValue field(int position) const = 0; // of the current record
    // The name of a field, as the table declares it; "" past the last.
    virtual std::string field_name(int position) const = 0;
    // Where what happens to the file is told: handed over before the first refresh.
    virtual void set_reporter(Reporter& reporter) = 0;
    // Appends steps to the table, or puts them in place of all its steps: all or nothing, so
    // the table is either the old one or the new. A step's condition goes into the condition
    // fields, which are added first when a step has one and the table lacks them; a step
    // without one leaves them empty. An empty text when done, otherwise why the file refused;
    // the grid shows the file either way.
    virtual std::string write_steps(const std::vector<StepRow>& steps, bool replace) = 0;
    // Adds the condition fields the table lacks, after the fields it has, all in one change.
    // An empty text when done or when it has them all, otherwise why the file refused (or
    // that a program is running).
    virtual std::string add_condition_fields() = 0;
};

class Grid : public Control {
public:
    virtual void set_data_source(RecordSet& records) = 0;
    virtual void refresh() = 0;
    virtual void set_column_locked(int column, bool locked) = 0; // 0..kGridColumns-1
    // Where refused edits are told and questions asked.
    virtual void set_reporter(Reporter& reporter) = 0;
};

// What an open attempt came to. A refusal for lack of permission is still just "not
// usable", but the link tells the user how to get access.
enum class OpenResult { Opened, Failed, PermissionDenied };

// What a port number stands for on this machine now, as the port choice shows it.
enum class PortState { Absent, Free, Busy, PermissionRefused, InUseHere };

struct PortDescription {
    std::string device; // empty: the number stands for no device
    PortState state = PortState::Absent;
};

class SerialPort {
public:
    virtual ~SerialPort() = default;
    virtual void set_settings(const std::string& settings) = 0; // "9600,N,8,1"
    virtual void set_port_number(int number) = 0;               // 1..16
    virtual int port_number() const = 0;
    virtual OpenResult open() = 0;
    virtual void close() = 0;
    // These two may be called from the send timer's thread while the window's thread opens,
    // closes and reads.
    virtual bool is_open() const = 0;
    virtual void write(const std::string& bytes) = 0;
    // Everything received since the last read; nullopt when the read failed.
    virtual std::optional<std::string> read() = 0;
    // The device a port number (1..16) stands for; empty when none.
    virtual std::string device_path(int number) const = 0;
    // Whether the port could be opened now. Found by an open that is closed at once, which
    // sends nothing and changes no setting; the port this program holds open is not touched.
    virtual PortDescription describe(int number) const = 0;
};

class Screen {
public:
    virtual ~Screen() = default;
    virtual double width_twips() const = 0;
    virtual double height_twips() const = 0;
    virtual double twips_per_pixel_x() const = 0;
    virtual double twips_per_pixel_y() const = 0;
};

using kelvo::DateTime;
using kelvo::Moment;

class Clock {
public:
    virtual ~Clock() = default;
    virtual DateTime now() const = 0;
    // The time of day in the user's locale format, without a time-zone suffix.
    virtual std::string time_text(const DateTime& moment) const = 0;
    // Seconds on a clock that never steps (not the time of day): for measuring spans.
    virtual double steady_seconds() const = 0;
    // The time of day to the millisecond, with the local offset from UTC.
    virtual Moment precise_now() const = 0;
};

class MessageBox {
public:
    virtual ~MessageBox() = default;
    // Puts a box on screen and returns at once: the timers and the serial port go on while
    // it waits for the user. on_answer, when given, runs with the index of the button
    // pressed (buttons empty: one "OK", index 0). One box at a time: the window model
    // waits for the answer before it shows the next. An empty title means none of its own.
    // default_button is the one Enter presses; the last of several is the way back.
    virtual void show(const std::string& prompt, const std::string& title,
                      const std::vector<std::string>& buttons, int default_button,
                      std::function<void(int)> on_answer) = 0;
    // The text of the box on screen (a report that came again).
    virtual void set_prompt(const std::string& prompt) = 0;
    // Takes the box away without an answer: the window model is going.
    virtual void dismiss() = 0;
};

class FileSystem {
public:
    virtual ~FileSystem() = default;
    // The folder of the program file, without a trailing separator.
    virtual std::string program_folder() const = 0;
    virtual bool folder_exists(const std::string& path) const = 0;
    virtual bool file_exists(const std::string& path) const = 0;
    // Both return an empty text on success, otherwise the system's reason.
    // Creates the folder and any missing parents.
    virtual std::string create_folder(const std::string& path) = 0;
    // Writes a whole file that did not exist, durably: on success it is on the disk under
    // that name; on failure nothing is left under that name.
    virtual std::string write_new_file(const std::string& path, const std::string& bytes) = 0;

    // Where the user's own files go when the program folder cannot be written.
    virtual std::string user_data_folder() const = 0;
    // The installed program's own data (the sample step table, the icon): share/kelvo
    // beside the program's bin folder. It need not exist.
    virtual std::string data_folder() const = 0;
    // Whether this user may create files in the folder.
    virtual bool folder_writable(const std::string& path) const = 0;

    // The journal of the output period that is running: one file in a record folder that
    // grows line by line and reaches the disk at least every 10 s, so that a crash or a
    // power cut costs at most that much. One journal at a time; opening a new one closes
    // the last. Each returns an empty text on success, otherwise the reason.
    virtual std::string open_journal(const std::string& folder) = 0;
    virtual std::string append_journal(const std::string& bytes) = 0;
    // Closes and deletes the journal: its period has been saved as a record.
    virtual void discard_journal() = 0;
    // Closes the journal and leaves it on disk: its period could not be saved, and the
    // next start makes a record of it.
    virtual void close_journal() = 0;

    struct Journal {
        std::string path;
        DateTime last_written;
        std::uintmax_t size = 0;
        // Why it is not taken (a link, a FIFO, another user's file, a name the program
        // never gives): empty for one of this program's own.
        std::string refusal;
    };
    // Files named like journals in a folder that no running program holds open: periods
    // that were never closed, oldest first, and beside them what only looks like one.
    virtual std::vector<Journal> abandoned_journals(const std::string& folder) const = 0;
    // A journal's bytes, taken only as abandoned_journals took it: this user's regular
    // file, opened without following a link and without waiting, of at most max_bytes.
    virtual std::optional<std::string> read_journal(const std::string& path,
                                                    std::size_t max_bytes) const = 0;
    // A regular file's bytes; nothing for a file that is missing, unreadable, not a regular
    // file (a FIFO or a device is never waited on) or larger than max_bytes.
    virtual std::optional<std::string> read_file(const std::string& path,
                                                 std::size_t max_bytes) const = 0;
    static constexpr std::size_t kNoSizeLimit = static_cast<std::size_t>(-1);
    // Puts a whole file in place of the one of that name (or makes it), never through a
    // link: the old one stays whole until the new one is. Empty text, or the reason.
    virtual std::string replace_file(const std::string& path, const std::string& bytes) = 0;
    virtual std::string remove_file(const std::string& path) = 0;
};

} // namespace kelvo::platform
