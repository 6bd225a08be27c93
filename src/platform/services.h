// platform/ services: the step table's record set and grid, the serial port, the screen,
// the clock, files and message boxes.
#pragma once

#include "platform/controls.h"

#include <stdexcept>
#include <string>
#include <variant>

namespace kelvo::platform {

// A start-up step that cannot be carried out: the text names the file and the reason.
class StartupError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// One field of a step-table record as the database delivers it.
using FieldValue = std::variant<std::monostate, double, std::string>;

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
};

class Grid : public Control {
public:
    virtual void set_data_source(RecordSet& records) = 0;
    virtual void refresh() = 0;
    virtual void set_column_locked(int column, bool locked) = 0; // columns 0..2
};

// What an open attempt came to. A refusal for lack of permission is still just "not
// usable", but the link tells the user how to get access.
enum class OpenResult { Opened, Failed, PermissionDenied };

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
};

class Screen {
public:
    virtual ~Screen() = default;
    virtual double width_twips() const = 0;
    virtual double height_twips() const = 0;
    virtual double twips_per_pixel_x() const = 0;
    virtual double twips_per_pixel_y() const = 0;
};

struct DateTime {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

class Clock {
public:
    virtual ~Clock() = default;
    virtual DateTime now() const = 0;
    // The time of day in the user's locale format, without a time-zone suffix.
    virtual std::string time_text(const DateTime& moment) const = 0;
};

class MessageBox {
public:
    virtual ~MessageBox() = default;
    // Modal; returns when the user has pressed OK. An empty title means none of its own.
    virtual void show(const std::string& prompt, const std::string& title) = 0;
};

class FileSystem {
public:
    virtual ~FileSystem() = default;
    // The folder of the program file, without a trailing separator.
    virtual std::string program_folder() const = 0;
    virtual bool folder_exists(const std::string& path) const = 0;
    virtual bool file_exists(const std::string& path) const = 0;
    // Both return an empty text on success, otherwise the system's reason.
    virtual std::string create_folder(const std::string& path) = 0;
    virtual std::string write_new_file(const std::string& path, const std::string& bytes) = 0;
};

} // namespace kelvo::platform
