// The fake platform: every control and service of the window in memory. Each fake keeps
// what the program set (public fields, read them directly) and offers the user's actions
// and the world's events as plain calls (click, type, choose, tick, queue_read, ...).
// Events are raised synchronously, as the window raises them.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "fake/fake_files.h"
#include "platform/form_controls.h"

#include <array>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace kelvo::fake {

using platform::Color;
using platform::FieldValue;
using platform::Handler;
using platform::OpenResult;

// What the layout did to a control: the last geometry set and the last font size.
struct Geometry {
    double left = 0;
    double top = 0;
    double width = 0;
    std::optional<double> height; // nullopt when the last call left the height alone
};

struct ControlState {
    std::optional<Geometry> geometry; // nullopt until the first set_geometry
    int geometry_calls = 0;
    double font = 9;
};

// Geometry and font of any visible control.
template <class Interface> class FakeControl : public Interface, public ControlState {
public:
    void set_geometry(double left, double top, double width,
                      std::optional<double> height) override {
        geometry = Geometry{left, top, width, height};
        ++geometry_calls;
    }
    void set_font_size(double points) override { font = points; }
    double font_size() const override { return font; }
};

template <class Interface> class FakeCaptioned : public FakeControl<Interface> {
public:
    void set_caption(const std::string& text) override {
        current_caption = text;
        captions.push_back(text);
    }
    std::string caption() const override { return current_caption; }

    std::string current_caption;
    std::vector<std::string> captions; // every caption set by the program, in order
};

class FakeLabel : public FakeCaptioned<platform::Label> {};

class FakeButton : public FakeCaptioned<platform::Button> {
public:
    void set_back_color(std::optional<Color> color) override { back_color = color; }
    void set_enabled(bool on) override { is_enabled = on; }
    bool enabled() const override { return is_enabled; }
    void on_click(Handler handler) override { click_handler = std::move(handler); }

    // The user presses the button; a disabled button ignores it.
    void click();

    std::optional<Color> back_color; // nullopt: the system button face
    bool is_enabled = true;
    Handler click_handler;
};

class FakeTextBox : public FakeControl<platform::TextBox> {
public:
    void set_text(const std::string& text) override;
    std::string text() const override { return content; }
    std::size_t text_length() const override; // UTF-8 characters, not bytes
    void append_text(const std::string& text) override;
    void set_alignment_left() override { alignment_left = true; }
    void set_sel_start(std::size_t position) override { sel_start = position; }
    void set_enabled(bool on) override { is_enabled = on; }
    bool enabled() const override { return is_enabled; }
    void on_change(Handler handler) override { change_handler = std::move(handler); }

    // The user edits the box to hold this text; a disabled box ignores it.
    void type(const std::string& text);

    std::string content;
    std::vector<std::string> history; // the whole text after every change, in order
    int changes = 0;
    bool alignment_left = false;
    std::optional<std::size_t> sel_start;
    bool is_enabled = true;
    Handler change_handler;

private:
    void changed();
};

class FakeListBox : public FakeControl<platform::ListBox> {
public:
    void add_item(const std::string& text) override { items.push_back(text); }
    // Like the real list: the edit field is emptied too, and no Click is raised.
    void clear() override;
    int item_count() const override { return static_cast<int>(items.size()); }
    std::string item_text(int index) const override;
    int selected_index() const override { return selected; }
    // Raises Click even when the index does not change. Throws std::out_of_range for an
    // index that is not -1 or an item.
    void set_selected_index(int index) override;
    std::string text() const override { return edit_text; }
    void set_text(const std::string& text) override { edit_text = text; }
    void set_enabled(bool on) override { is_enabled = on; }
    bool enabled() const override { return is_enabled; }
    void on_click(Handler handler) override { click_handler = std::move(handler); }

    // The user picks item `index` from the drop-down: the same as selecting from code.
    void choose(int index);
    // The user types into the edit field: no item is selected any more and no Click is
    // raised.
    void type_edit(const std::string& text);

    std::vector<std::string> items;
    int selected = -1;
    std::string edit_text;
    int clicks = 0;
    bool is_enabled = true;
    Handler click_handler;
};

class FakeSlider : public FakeControl<platform::Slider> {
public:
    void set_large_change(int step) override { large_change = step; }
    void set_maximum(int value) override { max = value; }
    void set_minimum(int value) override { min = value; }
    int maximum() const override { return max; }
    int minimum() const override { return min; }
    void set_vertical() override { vertical = true; }
    void set_no_border() override { no_border = true; }
    void set_manual_drag() override { manual_drag = true; }
    int value() const override { return position; }
    // From code: held to min..max, Change raised when the value differs, enabled or not.
    void set_value(int value) override;
    void set_enabled(bool on) override { is_enabled = on; }
    bool enabled() const override { return is_enabled; }
    void on_change(Handler handler) override { change_handler = std::move(handler); }

    // The user drags the slider: the value is held to min..max and Change is raised when
    // it differs from the old one. A disabled slider does not move.
    void move_to(int value);

    int position = 0;
    int min = 0;
    int max = 10; // a new slider's range
    int large_change = 0;
    bool vertical = false;
    bool no_border = false;
    bool manual_drag = false;
    bool is_enabled = true;
    Handler change_handler;
};

class FakePictureBox : public FakeControl<platform::PictureBox> {
public:
    using LineStyle = platform::PictureBox::LineStyle;

    struct Line {
        float x1, y1, x2, y2;
        Color color;
        LineStyle style;
        int width;
    };
    struct Printed {
        std::string text;
        float x, y;
    };

    // The height of one printed line: print() moves the current position down by this.
    static constexpr float kLineHeight = 240;

    void cls() override;
    void set_draw_style(LineStyle style) override;
    void set_draw_width(int pixels) override;
    void set_fore_color(Color color) override;
    void set_auto_redraw(bool on) override;
    void set_current_x(float x) override;
    void set_current_y(float y) override;
    void line(float x1, float y1, float x2, float y2, std::optional<Color> color) override;
    void print(const std::string& text) override;

    // The texts printed since the last cls, in order (the communication monitor's lines).
    std::vector<std::string> printed_lines() const;

    std::vector<Line> lines;      // since the last cls
    std::vector<Printed> printed; // since the last cls
    int cls_count = 0;

    LineStyle draw_style = LineStyle::Solid;
    int draw_width = 1;
    Color fore_color{0};
    bool auto_redraw = false;
    float current_x = 0;
    float current_y = 0;
};

class FakeTimer : public platform::Timer {
public:
    void set_interval(int milliseconds) override { interval_ms = milliseconds; }
    int interval() const override { return interval_ms; }
    void on_tick(Handler handler) override { tick_handler = std::move(handler); }

    // One tick of the timer (does nothing while no handler is wired).
    void tick();
    void tick(int times);

    int interval_ms = 0;
    Handler tick_handler;
};

class FakeStatusBar : public platform::StatusBar {
public:
    void set_panel_text(int panel, const std::string& text) override;
    std::string panel_text(int panel) const override;

    std::map<int, std::string> panels;
    std::vector<std::pair<int, std::string>> history; // every text set, with its panel
};

class FakeRecordSet : public platform::RecordSet {
public:
    void set_database(const std::string& path) override { database = path; }
    void set_record_source(const std::string& table) override { record_source = table; }
    // Throws platform::StartupError with refresh_error when that is set.
    void refresh() override;
    int record_count() const override { return static_cast<int>(rows.size()); }
    int field_count() const override { return fields; }
    void move_first() override;
    void move_next() override;
    // Throws std::logic_error past the last record or beyond the record's fields.
    FieldValue field(int position) const override;
    std::string field_name(int position) const override;
    void set_reporter(platform::Reporter& given) override { reporter = &given; }
    // Appends rows (or replaces them) under fresh ids, their conditions in the fields named
    // for them (added when a step has one); refuses with write_error when set.
    std::string write_steps(const std::vector<platform::StepRow>& steps, bool replace) override;
    // Names the missing condition fields after the last; refuses with write_error when set.
    std::string add_condition_fields() override;

    platform::Reporter* reporter = nullptr;
    std::optional<std::string> write_error;
    int writes = 0;
    std::string database;
    std::string record_source;
    std::vector<std::vector<FieldValue>> rows; // the table, set by the test
    int fields = 4;                            // the table's field count
    std::vector<std::string> names;            // field names; "" for those not given
    int current = 0;                           // the current record (== rows.size(): at EOF)
    int refreshes = 0;
    int move_first_calls = 0;
    int move_next_calls = 0;
    std::optional<std::string> refresh_error;
};

class FakeGrid : public FakeControl<platform::Grid> {
public:
    void set_data_source(platform::RecordSet& records) override { data_source = &records; }
    void refresh() override { ++refreshes; }
    void set_column_locked(int column, bool locked_now) override;
    void set_reporter(platform::Reporter& given) override { reporter = &given; }

    platform::Reporter* reporter = nullptr;
    platform::RecordSet* data_source = nullptr;
    std::string caption; // the design's; the program never changes it
    int refreshes = 0;
    std::array<bool, platform::kGridColumns> locked{};
};

class FakeSerialPort : public platform::SerialPort {
public:
    void set_settings(const std::string& text) override { settings = text; }
    void set_port_number(int number) override { selected = number; }
    int port_number() const override { return selected; }
    // The result configured in `ports` for the selected number (Failed when absent).
    // Opening a port that is already open fails, as on the real port.
    OpenResult open() override;
    void close() override;
    bool is_open() const override { return open_now; }
    // Kept in `written` while the port is open; counted in writes_while_closed otherwise.
    void write(const std::string& bytes) override;
    // nullopt when the port is closed or a failure was asked for; otherwise the next
    // queued chunk, or "" when nothing is queued.
    std::optional<std::string> read() override;
    // "/dev/fakeN".
    std::string device_path(int number) const override;
    // From what opening it would give; the open port is in use here.
    platform::PortDescription describe(int number) const override;

    // The supply's side: data for a later read, one chunk per read.
    void queue_read(const std::string& data) { incoming.push_back(data); }
    // The next read fails (before any queued data).
    void fail_next_read() { next_read_fails = true; }

    std::map<int, OpenResult> ports; // what opening each port number gives
    std::string settings;
    int selected = 1;
    bool open_now = false;
    std::vector<int> open_attempts; // port numbers, in order
    int closes = 0;                 // close() calls, open or not
    std::string written;
    int writes_while_closed = 0;
    std::deque<std::string> incoming;
    bool next_read_fails = false;
    int reads = 0;
};

// 1440 x 900 pixels at 15 twips per pixel unless a test changes it.
class FakeScreen : public platform::Screen {
public:
    double width_twips() const override { return width_tw; }
    double height_twips() const override { return height_tw; }
    double twips_per_pixel_x() const override { return tpp_x; }
    double twips_per_pixel_y() const override { return tpp_y; }

    // A new pixel size at the current twips per pixel.
    void set_pixels(double width, double height);
    // A new dots-per-inch setting for the same pixel size.
    void set_twips_per_pixel(double twips);

    double tpp_x = 15;
    double tpp_y = 15;
    double width_tw = 1440 * 15;
    double height_tw = 900 * 15;
};

class FakeClock : public platform::Clock {
public:
    DateTime now() const override { return moment; }
    // "H:MM:SS", the hour without a leading zero ("1:17:03").
    std::string time_text(const DateTime& at) const override;
    double steady_seconds() const override { return steady; }
    // The moment with the milliseconds of the steady clock's fraction, at UTC+01:00.
    Moment precise_now() const override;

    DateTime moment{2024, 3, 5, 14, 7, 9};
    double steady = 1000.0;
};

class FakeMessageBox : public platform::MessageBox {
public:
    struct Shown {
        std::string prompt;
        std::string title;
        std::vector<std::string> buttons;
    };
    // Records the box. Unless stay_open is set it is answered with the first button at
    // once, as by a user who clicks it away; otherwise it waits for answer().
    void show(const std::string& prompt, const std::string& title,
              const std::vector<std::string>& buttons, int default_button,
              std::function<void(int)> on_answer) override;
    void set_prompt(const std::string& prompt) override { on_screen = prompt; }
    void dismiss() override;
    // The user presses button `index` of the box on screen.
    void answer(int index = 0);
    bool open() const { return is_open; }

    std::vector<Shown> shown;
    bool stay_open = false;
    bool is_open = false;
    std::string on_screen; // the prompt of the box on screen, counts and all
    int dismissed = 0;

private:
    std::function<void(int)> pending_;
};

class FakeWindow : public platform::Window {
public:
    void set_caption(const std::string& text) override { caption = text; }
    void set_border_sizable() override { border_sizable = true; }
    // Throws platform::StartupError with icon_error when that is set.
    void set_icon(const std::string& path) override;
    void move(double left, double top) override { position = {left, top}; }
    void set_maximized() override { maximized = true; }
    // Runs on_close, as the window's own close does.
    void close() override;

    std::string caption = "Form1";
    // What the platform does on a close: ask the window model, then unload it.
    std::function<void()> on_close;
    int close_calls = 0;
    bool border_sizable = false;
    std::string icon_path;
    std::optional<std::string> icon_error;
    std::optional<std::pair<double, double>> position;
    bool maximized = false;
};

// The fake of each kind in the control list.
namespace kinds {
using Label = FakeLabel;
using Frame = FakeLabel;
using TextBox = FakeTextBox;
using LogBox = FakeTextBox;
using ListBox = FakeListBox;
using Slider = FakeSlider;
using Button = FakeButton;
using Chart = FakePictureBox;
using Monitor = FakePictureBox;
using Timer = FakeTimer;
using SendTimer = FakeTimer;
using StatusBar = FakeStatusBar;
using Grid = FakeGrid;
using RecordSet = FakeRecordSet;
using SerialPort = FakeSerialPort;
using Screen = FakeScreen;
using Clock = FakeClock;
using MessageBox = FakeMessageBox;
using FileSystem = FakeFileSystem;
} // namespace kinds

// One of each control of the window, holding the window's design captions and texts.
struct FakeForm {
    FakeForm();
    FakeForm(const FakeForm&) = delete;
    FakeForm& operator=(const FakeForm&) = delete;

    platform::FormControls controls();

    FakeWindow window;
#define KELVO_FAKE_CONTROL(kind, name, role) kinds::kind name;
    KELVO_CONTROLS(KELVO_FAKE_CONTROL)
#undef KELVO_FAKE_CONTROL
#define KELVO_FAKE_SERVICE(kind, model_name, name, role) kinds::kind name;
    KELVO_SERVICES(KELVO_FAKE_SERVICE)
#undef KELVO_FAKE_SERVICE
};

} // namespace kelvo::fake
