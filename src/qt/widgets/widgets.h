// qt/widgets/: the window's simple controls as Qt widgets. Each adapter creates its widget
// as a child of the container it is given; the window owns the widgets, the form owns the
// adapters and deletes the window first.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/controls.h"

#include <QColor>
#include <QString>

#include <array>
#include <concepts>
#include <functional>
#include <optional>
#include <string>
#include <type_traits>

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QSlider;
class QStatusBar;
class QTimer;
class QWidget;

namespace kelvo::qt {

// Raises an event on the handler the program gave, if it gave one.
inline void call(const platform::Handler& handler) {
    if (handler) {
        handler();
    }
}

namespace detail {

// Placement in twips and the font size in points, shared by every widget-backed control.
template <class Interface> class PlacedControl : public Interface {
public:
    void set_geometry(double left, double top, double width, std::optional<double> height) override;
    void set_font_size(double points) override;
    double font_size() const override { return points_; }

    // The face and size of the design, and the text colour when it has one.
    void set_face(const QString& family, double points);
    void set_text_color(const QColor& color);

protected:
    explicit PlacedControl(QWidget* widget) : widget_(widget) {}
    QWidget* base_widget() const { return widget_; }
    // The height a control gets when the layout gives none.
    virtual int natural_height() const;
    virtual void font_changed() {}

private:
    QWidget* widget_;
    double points_ = 9;
};

// The controls the program can switch off: buttons, text boxes, lists, sliders.
template <class Interface>
concept Switchable = requires(Interface& control, const Interface& shown, bool on) {
    control.set_enabled(on);
    { shown.enabled() } -> std::same_as<bool>;
};

// Switched off is the widget's own disabled state: greyed, and deaf to the user.
template <class Interface> class SwitchableControl : public PlacedControl<Interface> {
public:
    void set_enabled(bool enabled) override;
    bool enabled() const override;

protected:
    using PlacedControl<Interface>::PlacedControl;
};

template <class Interface>
using ControlBase = std::conditional_t<Switchable<Interface>, SwitchableControl<Interface>,
                                       PlacedControl<Interface>>;

} // namespace detail

// The base of every widget-backed control: the platform interface it realises, on the Qt
// widget it was made with, which widget() hands back as its own type.
template <class Interface, class Widget>
class WidgetControl : public detail::ControlBase<Interface> {
public:
    Widget* widget() const { return static_cast<Widget*>(this->base_widget()); }

protected:
    explicit WidgetControl(Widget* widget) : detail::ControlBase<Interface>(widget) {}
};

class QtLabel final : public WidgetControl<platform::Label, QLabel> {
public:
    explicit QtLabel(QWidget* parent);
    void set_caption(const std::string& text) override;
    std::string caption() const override { return caption_; }
    void set_centered();
    // Told each caption set, for a label whose place follows its text (a line on the tool
    // strip that takes no room while it is empty).
    void on_caption(std::function<void(const std::string&)> handler) {
        caption_set_ = std::move(handler);
    }

private:
    std::string caption_;
    std::function<void(const std::string&)> caption_set_;
};

class QtFrame final : public WidgetControl<platform::Label, QGroupBox> {
public:
    explicit QtFrame(QWidget* parent);
    void set_caption(const std::string& text) override;
    std::string caption() const override { return caption_; }

private:
    std::string caption_;
};

class QtButton final : public WidgetControl<platform::Button, QPushButton> {
public:
    explicit QtButton(QWidget* parent);
    void set_caption(const std::string& text) override;
    std::string caption() const override { return caption_; }
    void set_back_color(std::optional<platform::Color> color) override;
    void on_click(platform::Handler handler) override { click_ = std::move(handler); }

private:
    std::string caption_;
    QColor face_;
    platform::Handler click_;
};

// A one-line entry field (Text1, Text2).
class QtTextBox final : public WidgetControl<platform::TextBox, QLineEdit> {
public:
    explicit QtTextBox(QWidget* parent);
    void set_text(const std::string& text) override;
    std::string text() const override;
    std::size_t text_length() const override;
    void append_text(const std::string& text) override;
    void set_alignment_left() override;
    void set_sel_start(std::size_t position) override;
    void on_change(platform::Handler handler) override { change_ = std::move(handler); }

private:
    platform::Handler change_;
};

// The record log (Text3): multi-line, read-only to the user. The exact text, CR LF and
// all, is kept beside the display because it is saved as it is.
class QtLogBox final : public WidgetControl<platform::TextBox, QPlainTextEdit> {
public:
    // How many of the newest lines the display keeps; the log itself keeps them all.
    static constexpr int kShownLogLines = 20000;
    explicit QtLogBox(QWidget* parent);
    void set_text(const std::string& text) override;
    std::string text() const override { return text_; }
    std::size_t text_length() const override { return length_; }
    void append_text(const std::string& text) override;
    void set_alignment_left() override {}
    void set_sel_start(std::size_t position) override;
    void on_change(platform::Handler handler) override { change_ = std::move(handler); }

private:
    std::string text_;
    std::size_t length_ = 0; // characters in text_
    platform::Handler change_;
};

// A drop-down list with an edit field. Only a choice (from code, from the list, by the
// arrow keys) raises Click; typing, Enter and leaving the edit field do not.
class QtListBox final : public WidgetControl<platform::ListBox, QComboBox> {
public:
    explicit QtListBox(QWidget* parent);
    void add_item(const std::string& text) override;
    void clear() override;
    int item_count() const override;
    std::string item_text(int index) const override;
    int selected_index() const override;
    void set_selected_index(int index) override;
    std::string text() const override;
    void set_text(const std::string& text) override;
    void on_click(platform::Handler handler) override { click_ = std::move(handler); }

protected:
    int natural_height() const override;
    void font_changed() override;

private:
    platform::Handler click_;
};

class QtSlider final : public WidgetControl<platform::Slider, QSlider> {
public:
    explicit QtSlider(QWidget* parent);
    void set_large_change(int step) override;
    void set_maximum(int value) override;
    void set_minimum(int value) override;
    int maximum() const override;
    int minimum() const override;
    void set_vertical() override;
    void set_no_border() override {}
    void set_manual_drag() override {}
    int value() const override;
    void set_value(int value) override;
    void on_change(platform::Handler handler) override { change_ = std::move(handler); }

private:
    platform::Handler change_;
};

class QtTimer final : public platform::Timer {
public:
    // Runs from creation; its ticks arrive once the event loop runs. A coarse timer: the
    // send stream, which needs exact ticks, has QtThreadTimer.
    QtTimer(QWidget* owner, int interval);
    QTimer* timer() const { return timer_; }
    void set_interval(int milliseconds) override;
    int interval() const override;
    void on_tick(platform::Handler handler) override { tick_ = std::move(handler); }

private:
    QTimer* timer_;
    platform::Handler tick_;
};

class QtStatusBar final : public platform::StatusBar {
public:
    explicit QtStatusBar(QStatusBar* bar);
    QLabel* panel(int panel) const { return labels_.at(static_cast<std::size_t>(panel - 1)); }
    void set_panel_text(int panel, const std::string& text) override;
    std::string panel_text(int panel) const override;

private:
    std::array<QLabel*, 3> labels_{};
    std::array<std::string, 3> texts_;
};

} // namespace kelvo::qt
