// The two strip charts: a reading stored each second and drawn as the next segment.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/form1.h"
#include "base/texts.h"
#include "chart/chart.h"

namespace kelvo {

namespace {

void print_at(platform::PictureBox& box, float x, float y, const std::string& text) {
    box.set_current_x(x);
    box.set_current_y(y);
    box.print(text);
}

} // namespace

std::int16_t Form1::PICTUR_CH() {
    platform::PictureBox& volts = *Picture1[0];
    platform::PictureBox& amps = *Picture1[1];
    const float sx = screen_scale_x;
    const float sy = screen_scale_y;
    volts.cls();
    amps.cls();
    volts.set_draw_style(platform::PictureBox::LineStyle::Dotted);
    amps.set_draw_style(platform::PictureBox::LineStyle::Dotted);
    volts.set_draw_width(1);
    amps.set_draw_width(1);
    amps.set_auto_redraw(true);
    volts.set_auto_redraw(true);
    print_at(volts, 200 * sx, 2700 * sy, text(texts::kChartVolts));
    print_at(amps, 200 * sx, 2700 * sy, text(texts::kChartAmps));
    for (int i = 0; i <= 50; i += 10) {
        const float text_y = static_cast<float>(2300 - 40 * i) * sy;
        const float line_y = static_cast<float>(2500 - 40 * i) * sy;
        print_at(volts, 200 * sx, text_y, chart::number_text(i));
        print_at(amps, 200 * sx, text_y, chart::number_text(i / 10));
        volts.line(600 * sx, line_y, 9000 * sx, line_y, std::nullopt);
        amps.line(600 * sx, line_y, 9000 * sx, line_y, std::nullopt);
    }
    for (int j = 0; j <= 100; j += 10) {
        const float text_x = static_cast<float>(600 + 80 * j) * sx;
        const float line_x = static_cast<float>(700 + 80 * j) * sx;
        print_at(volts, text_x, 2800 * sy, chart::number_text(j));
        volts.line(line_x, 2600 * sy, line_x, 400 * sy, std::nullopt);
        print_at(amps, text_x, 2800 * sy, chart::number_text(j));
        amps.line(line_x, 2600 * sy, line_x, 400 * sy, std::nullopt);
    }
    return 1;
}

void Form1::store_chart_readings(const std::string& voltage_field,
                                 const std::string& current_field) {
    voltage_history[1] = voltage_history[0];
    voltage_history[0] = chart::field_value(voltage_field) / 10;
    current_history[1] = current_history[0];
    current_history[0] = chart::field_value(current_field) / 10;
}

void Form1::plot_chart_sample() {
    if (chart_sample_index == 0) {
        chart_sample_index = PICTUR_CH();
        return;
    }
    if (chart_sample_index >= 100) {
        chart_sample_index = 0;
        return;
    }
    if (!output_on) {
        return;
    }
    platform::PictureBox& volts = *Picture1[0];
    platform::PictureBox& amps = *Picture1[1];
    volts.set_draw_style(platform::PictureBox::LineStyle::Solid);
    volts.set_draw_width(1);
    amps.set_draw_style(platform::PictureBox::LineStyle::Solid);
    amps.set_draw_width(1);
    const std::int16_t n = chart_sample_index;
    const float left = chart::segment_x(n, screen_scale_x);
    const float right = chart::segment_x(static_cast<std::int16_t>(n + 1), screen_scale_x);
    const auto trace = [&](platform::PictureBox& box, const std::array<double, 3>& history,
                           platform::Color color) {
        const float before = chart::value_y(history[1], screen_scale_y);
        const float now = chart::value_y(history[0], screen_scale_y);
        box.line(left, before, left, now, color);
        box.line(right, now, left, now, color);
    };
    trace(volts, voltage_history, platform::kGreen);
    trace(amps, current_history, platform::kRed);
    ++chart_sample_index;
}

} // namespace kelvo
