// platform/ owns what the program's logic needs of the window's controls and of the
// world (serial port, step table, screen, clock, files, message boxes). No Qt here.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace kelvo::platform {

// A colour as 0x00BBGGRR, the way the window's colours are written down.
struct Color {
    std::uint32_t bgr = 0;
    friend bool operator==(Color, Color) = default;
};

inline constexpr Color kWhite{0x00FFFFFF};
inline constexpr Color kGreen{0x0000FF00};
inline constexpr Color kRed{0x000000FF};
inline constexpr Color kBlue{0x00FF0000};

using Handler = std::function<void()>;

// Every visible control can be placed (twips, relative to its container) and has a
// font whose size the layout scales. A missing height leaves the height alone (lists
// take their height from their font).
class Control {
public:
    virtual ~Control() = default;
    virtual void set_geometry(double left, double top, double width,
                              std::optional<double> height) = 0;
    virtual void set_font_size(double points) = 0;
    virtual double font_size() const = 0;
};

// Labels and frames: a caption and nothing else.
class Label : public Control {
public:
    virtual void set_caption(const std::string& text) = 0;
    virtual std::string caption() const = 0;
};

// Graphical-style buttons: the back colour is shown; nullopt is the system button face.
class Button : public Label {
public:
    virtual void set_back_color(std::optional<Color> color) = 0;
    virtual void set_enabled(bool enabled) = 0;
    virtual bool enabled() const = 0;
    virtual void on_click(Handler handler) = 0;
};

// Text boxes raise Change synchronously on every text set by code and on every edit by
// the user.
class TextBox : public Control {
public:
    virtual void set_text(const std::string& text) = 0;
    virtual std::string text() const = 0;
    virtual std::size_t text_length() const = 0; // in characters, without copying the text
    // Adds to the end without rebuilding the whole text (the record log grows for days).
    virtual void append_text(const std::string& text) = 0;
    virtual void set_alignment_left() = 0;
    // Puts the caret at the given character position (the end shows the newest line).
    virtual void set_sel_start(std::size_t position) = 0;
    virtual void set_enabled(bool enabled) = 0;
    virtual bool enabled() const = 0;
    virtual void on_change(Handler handler) = 0;
};

// Drop-down lists with an edit field. Selecting an index from code raises Click at once,
// even when the index does not change; a user's choice raises it too; typing into the
// edit field does not.
class ListBox : public Control {
public:
    virtual void add_item(const std::string& text) = 0;
    virtual void clear() = 0;
    virtual int item_count() const = 0;
    virtual std::string item_text(int index) const = 0;
    virtual int selected_index() const = 0; // -1 when none
    virtual void set_selected_index(int index) = 0;
    virtual std::string text() const = 0; // the edit field
    // Writes the edit field as typing would: no Click, the selection left alone.
    virtual void set_text(const std::string& text) = 0;
    virtual void set_enabled(bool enabled) = 0;
    virtual bool enabled() const = 0;
    virtual void on_click(Handler handler) = 0;
};

class Slider : public Control {
public:
    virtual void set_large_change(int step) = 0;
    virtual void set_maximum(int value) = 0;
    virtual void set_minimum(int value) = 0;
    virtual int maximum() const = 0;
    virtual int minimum() const = 0;
    virtual void set_vertical() = 0;
    virtual void set_no_border() = 0;
    virtual void set_manual_drag() = 0;
    virtual int value() const = 0;
    // Moves the thumb from code; Change is raised when the value differs.
    virtual void set_value(int value) = 0;
    virtual void set_enabled(bool enabled) = 0;
    virtual bool enabled() const = 0;
    virtual void on_change(Handler handler) = 0;
};

// A drawing surface in twips of its own area, origin top left, y downwards. What is drawn
// stays in a retained image. print() writes at the current position and moves it to the
// start of the next line.
class PictureBox : public Control {
public:
    enum class LineStyle { Solid = 0, Dotted = 2 };
    virtual void cls() = 0;
    virtual void set_draw_style(LineStyle style) = 0;
    virtual void set_draw_width(int pixels) = 0;
    virtual void set_fore_color(Color color) = 0;
    virtual void set_auto_redraw(bool on) = 0;
    virtual void set_current_x(float x) = 0;
    virtual void set_current_y(float y) = 0;
    // Without a colour the line takes the fore colour.
    virtual void line(float x1, float y1, float x2, float y2, std::optional<Color> color) = 0;
    virtual void print(const std::string& text) = 0;
};

// A timer may tick on a thread of its own (the send timer does, in the real window). Setting
// the handler waits for a tick under way, so after on_tick(nullptr) no tick runs any more.
class Timer {
public:
    virtual ~Timer() = default;
    virtual void set_interval(int milliseconds) = 0;
    virtual int interval() const = 0;
    virtual void on_tick(Handler handler) = 0;
};

class StatusBar {
public:
    virtual ~StatusBar() = default;
    virtual void set_panel_text(int panel, const std::string& text) = 0; // panels from 1
    virtual std::string panel_text(int panel) const = 0;
};

class Window {
public:
    virtual ~Window() = default;
    virtual void set_caption(const std::string& text) = 0;
    virtual void set_border_sizable() = 0;
    // Throws StartupError naming the file and the reason when it cannot be loaded.
    virtual void set_icon(const std::string& path) = 0;
    virtual void move(double left, double top) = 0;
    virtual void set_maximized() = 0;
    // Closes the window as the user's close would, once the user has answered the
    // question that held the close back.
    virtual void close() = 0;
};

} // namespace kelvo::platform
