// SPDX-License-Identifier: GPL-3.0-or-later
#include "fake/fake_platform.h"

#include "layout/design_table.h"
#include "program/step_table.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <stdexcept>

namespace kelvo::fake {

namespace {

void raise(const Handler& handler) {
    if (handler) {
        handler();
    }
}

} // namespace

void FakeButton::click() {
    if (is_enabled) {
        raise(click_handler);
    }
}

void FakeTextBox::set_text(const std::string& text) {
    content = text;
    changed();
}

std::size_t FakeTextBox::text_length() const {
    // Count the bytes that start a character: all but the UTF-8 continuation bytes.
    return static_cast<std::size_t>(std::count_if(content.begin(), content.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

void FakeTextBox::append_text(const std::string& text) {
    content += text;
    changed();
}

void FakeTextBox::type(const std::string& text) {
    if (is_enabled) {
        set_text(text);
    }
}

void FakeTextBox::changed() {
    history.push_back(content);
    ++changes;
    raise(change_handler);
}

void FakeListBox::clear() {
    items.clear();
    selected = -1;
    edit_text.clear();
}

std::string FakeListBox::item_text(int index) const {
    return items.at(static_cast<std::size_t>(index));
}

void FakeListBox::set_selected_index(int index) {
    if (index < -1 || index >= item_count()) {
        throw std::out_of_range("list index " + std::to_string(index) + " of " +
                                std::to_string(item_count()) + " items");
    }
    selected = index;
    edit_text = index == -1 ? std::string() : items[static_cast<std::size_t>(index)];
    ++clicks;
    raise(click_handler);
}

void FakeListBox::choose(int index) {
    if (is_enabled) {
        set_selected_index(index);
    }
}

void FakeListBox::type_edit(const std::string& text) {
    if (is_enabled) {
        edit_text = text;
        selected = -1;
    }
}

void FakeSlider::move_to(int value) {
    if (!is_enabled) {
        return;
    }
    const int held = std::clamp(value, min, max);
    if (held != position) {
        position = held;
        raise(change_handler);
    }
}

void FakeSlider::set_value(int value) {
    const int held = std::clamp(value, min, max);
    if (held != position) {
        position = held;
        raise(change_handler);
    }
}

void FakePictureBox::cls() {
    ++cls_count;
    lines.clear();
    printed.clear();
    current_x = 0;
    current_y = 0;
}

void FakePictureBox::set_draw_style(LineStyle style) {
    draw_style = style;
}

void FakePictureBox::set_draw_width(int pixels) {
    draw_width = pixels;
}

void FakePictureBox::set_fore_color(Color color) {
    fore_color = color;
}

void FakePictureBox::set_auto_redraw(bool on) {
    auto_redraw = on;
}

void FakePictureBox::set_current_x(float x) {
    current_x = x;
}

void FakePictureBox::set_current_y(float y) {
    current_y = y;
}

void FakePictureBox::line(float x1, float y1, float x2, float y2, std::optional<Color> color) {
    lines.push_back({x1, y1, x2, y2, color.value_or(fore_color), draw_style, draw_width});
}

void FakePictureBox::print(const std::string& text) {
    printed.push_back({text, current_x, current_y});
    current_x = 0;
    current_y += kLineHeight;
}

std::vector<std::string> FakePictureBox::printed_lines() const {
    std::vector<std::string> texts;
    texts.reserve(printed.size());
    for (const Printed& p : printed) {
        texts.push_back(p.text);
    }
    return texts;
}

void FakeTimer::tick() {
    raise(tick_handler);
}

void FakeTimer::tick(int times) {
    for (int i = 0; i < times; ++i) {
        tick();
    }
}

void FakeStatusBar::set_panel_text(int panel, const std::string& text) {
    panels[panel] = text;
    history.emplace_back(panel, text);
}

std::string FakeStatusBar::panel_text(int panel) const {
    const auto it = panels.find(panel);
    return it == panels.end() ? std::string() : it->second;
}

void FakeRecordSet::refresh() {
    ++refreshes;
    if (refresh_error) {
        throw platform::StartupError(*refresh_error);
    }
    current = 0;
}

void FakeRecordSet::move_first() {
    ++move_first_calls;
    current = 0;
}

void FakeRecordSet::move_next() {
    ++move_next_calls;
    if (current >= record_count()) {
        throw std::logic_error("move_next past the last record");
    }
    ++current;
}

std::string FakeRecordSet::write_steps(const std::vector<platform::StepRow>& steps, bool replace) {
    ++writes;
    if (write_error) {
        return *write_error;
    }
    const bool conditions = std::any_of(steps.begin(), steps.end(), [](const auto& step) {
        return std::any_of(step.condition.begin(), step.condition.end(),
                           [](const FieldValue& cell) { return cell.index() != 0; });
    });
    if (conditions) {
        add_condition_fields();
    }
    const std::array<int, 5> positions = condition_fields(*this);
    if (replace) {
        rows.clear();
    }
    for (const auto& [values, condition] : steps) {
        auto& row = rows.emplace_back(static_cast<std::size_t>(fields));
        row.at(0) = static_cast<double>(rows.size());
        std::copy(values.begin(), values.end(), row.begin() + 1);
        for (std::size_t cell = 0; cell < positions.size(); ++cell) {
            if (positions.at(cell) >= 0) {
                row.at(static_cast<std::size_t>(positions.at(cell))) = condition.at(cell);
            }
        }
    }
    current = 0;
    return {};
}

std::string FakeRecordSet::add_condition_fields() {
    if (write_error) {
        return *write_error;
    }
    const std::array<int, 5> positions = condition_fields(*this);
    for (std::size_t cell = 0; cell < positions.size(); ++cell) {
        if (positions.at(cell) < 0) {
            while (names.size() < static_cast<std::size_t>(fields)) {
                names.push_back(field_name(static_cast<int>(names.size())));
            }
            names.emplace_back(platform::kConditionFieldNames.at(cell));
            ++fields;
        }
    }
    return {};
}

std::string FakeRecordSet::field_name(int position) const {
    if (position < 0 || position >= fields) {
        return {};
    }
    return static_cast<std::size_t>(position) < names.size()
               ? names[static_cast<std::size_t>(position)]
               : "Field" + std::to_string(position);
}

FieldValue FakeRecordSet::field(int position) const {
    if (current < 0 || current >= record_count()) {
        throw std::logic_error("no current record");
    }
    const auto& row = rows[static_cast<std::size_t>(current)];
    if (position < 0 || position >= fields) {
        throw std::logic_error("no field " + std::to_string(position));
    }
    // A row shorter than the table holds empty fields at its end.
    return static_cast<std::size_t>(position) < row.size() ? row[static_cast<std::size_t>(position)]
                                                           : FieldValue{};
}

void FakeGrid::set_column_locked(int column, bool locked_now) {
    locked.at(static_cast<std::size_t>(column)) = locked_now;
}

OpenResult FakeSerialPort::open() {
    open_attempts.push_back(selected);
    if (open_now) {
        return OpenResult::Failed;
    }
    const auto it = ports.find(selected);
    const OpenResult result = it == ports.end() ? OpenResult::Failed : it->second;
    open_now = result == OpenResult::Opened;
    return result;
}

void FakeSerialPort::close() {
    ++closes;
    open_now = false;
}

void FakeSerialPort::write(const std::string& bytes) {
    if (open_now) {
        written += bytes;
    } else {
        ++writes_while_closed;
    }
}

std::optional<std::string> FakeSerialPort::read() {
    ++reads;
    if (!open_now || next_read_fails) {
        next_read_fails = false;
        return std::nullopt;
    }
    if (incoming.empty()) {
        return std::string();
    }
    std::string data = incoming.front();
    incoming.pop_front();
    return data;
}

std::string FakeSerialPort::device_path(int number) const {
    return "/dev/fake" + std::to_string(number);
}

platform::PortDescription FakeSerialPort::describe(int number) const {
    using platform::PortState;
    if (open_now && number == selected) {
        return {device_path(number), PortState::InUseHere};
    }
    const auto it = ports.find(number);
    const OpenResult result = it == ports.end() ? OpenResult::Failed : it->second;
    const PortState state = result == OpenResult::Opened   ? PortState::Free
                            : result == OpenResult::Failed ? PortState::Absent
                                                           : PortState::PermissionRefused;
    return {device_path(number), state};
}

void FakeScreen::set_pixels(double width, double height) {
    width_tw = width * tpp_x;
    height_tw = height * tpp_y;
}

void FakeScreen::set_twips_per_pixel(double twips) {
    const double width = width_tw / tpp_x;
    const double height = height_tw / tpp_y;
    tpp_x = twips;
    tpp_y = twips;
    set_pixels(width, height);
}

std::string FakeClock::time_text(const DateTime& at) const {
    char text[16];
    std::snprintf(text, sizeof text, "%d:%02d:%02d", at.hour, at.minute, at.second);
    return text;
}

Moment FakeClock::precise_now() const {
    const double fraction = steady - static_cast<double>(static_cast<long long>(steady));
    return {moment, static_cast<int>(std::lround(fraction * 1000) % 1000), 60};
}

void FakeMessageBox::show(const std::string& prompt, const std::string& title,
                          const std::vector<std::string>& buttons, int /*default_button*/,
                          std::function<void(int)> on_answer) {
    shown.push_back({prompt, title, buttons});
    on_screen = prompt;
    is_open = true;
    pending_ = std::move(on_answer);
    if (!stay_open) {
        answer(0);
    }
}

void FakeMessageBox::answer(int index) {
    if (!is_open) {
        return;
    }
    is_open = false;
    on_screen.clear();
    auto answered = std::move(pending_);
    pending_ = nullptr;
    if (answered) {
        answered(index);
    }
}

void FakeMessageBox::dismiss() {
    if (is_open) {
        ++dismissed;
    }
    is_open = false;
    pending_ = nullptr;
}

void FakeWindow::close() {
    ++close_calls;
    if (on_close) {
        on_close();
    }
}

void FakeWindow::set_icon(const std::string& path) {
    if (icon_error) {
        throw platform::StartupError(*icon_error);
    }
    icon_path = path;
}

namespace {

// The first caption or text of a control as designed, set directly so that the histories
// hold only what the program did.
void show_design(FakeLabel& label, std::string_view caption) {
    label.current_caption = caption;
}
void show_design(FakeButton& button, std::string_view caption) {
    button.current_caption = caption;
}
void show_design(FakeTextBox& box, std::string_view text) {
    box.content = text;
}
void show_design(FakeListBox& list, std::string_view text) {
    list.edit_text = text;
}
void show_design(FakeGrid& grid, std::string_view caption) {
    grid.caption = caption;
}
// Sliders and charts show no text.
template <class Control> void show_design(Control& /*control*/, std::string_view /*caption*/) {}

} // namespace

FakeForm::FakeForm() {
    files.clock_moment = &clock.moment;
    // The window as designed, before the load step touches it. Only the captions: a
    // control's geometry stays unset until the layout places it.
    for (const layout::Design& row : layout::kDesign) {
#define KELVO_FAKE_DESIGN(kind, name, role)                                                        \
    if (row.control == #name) {                                                                    \
        show_design(name, row.caption);                                                            \
    }
        KELVO_CONTROLS(KELVO_FAKE_DESIGN)
#undef KELVO_FAKE_DESIGN
    }
    for (std::size_t i = 0; i < layout::kStatusPanels.size(); ++i) {
        StatusBar1.panels[static_cast<int>(i) + 1] = layout::kStatusPanels.at(i);
    }
}

platform::FormControls FakeForm::controls() {
    return platform::controls_of(*this);
}

} // namespace kelvo::fake
