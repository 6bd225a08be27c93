// layout/ owns the screen-resolution layout: the scale factors and the table that places
// every scaled control for the actual screen.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <optional>
#include <string_view>

namespace kelvo::layout {

// Design values in twips relative to the container, font size in points.
struct Row {
    std::string_view control; // its name in the control list (platform/control_list.h)
    double left;
    double top;
    double width;
    std::optional<double> height;
    std::optional<double> font_size;
};

inline constexpr std::size_t kRows = 25;

// In the order the controls are laid out.
inline constexpr std::array<Row, kRows> kTable{{
    {"Combo3", 3120, 240, 2535, std::nullopt, 14},
    {"Label5", 720, 240, 2175, 495, 16},
    {"Frame1", 240, 1560, 5655, 1695, 18},
    {"Label1", 360, 720, 615, 450, 22},
    {"Label2", 960, 720, 1350, 450, 22},
    {"Label3", 2880, 720, 495, 450, 22},
    {"Label4", 3600, 720, 1695, 450, 22},
    {"Frame2", 240, 3600, 5655, 7095, 18},
    {"Text1", 360, 840, 1575, 555, 22},
    {"Text2", 3240, 840, 1575, 555, 22},
    {"Combo1", 360, 840, 1935, std::nullopt, 22},
    {"Combo2", 3240, 840, 1935, std::nullopt, 22},
    {"Slider1", 600, 1680, 600, 3135, std::nullopt},
    {"Slider2", 3480, 1680, 600, 3135, std::nullopt},
    {"Command1", 360, 5640, 1695, 615, 15},
    {"Label6", 2700, 5280, 2895, 375, 18},
    {"Combo4", 3480, 5760, 1935, std::nullopt, 10.5},
    {"Picture1_0", 6360, 360, 9975, 3135, 9},
    {"Picture1_1", 6360, 3840, 9975, 3135, 9},
    {"Text3", 6360, 7440, 9975, 3135, 9},
    {"DataGrid1", 17040, 360, 3375, 7935, 9},
    {"Label7", 17040, 8880, 975, 375, 10.5},
    {"Combo5", 18120, 8760, 1095, std::nullopt, 10.5},
    {"Command4", 19440, 8760, 975, 495, 15},
    {"Command5", 1320, 840, 375, 375, 9},
}};

// The layout factor of one direction: the screen's size in pixels over the design size
// (1440 across, 900 down), kept in single precision.
float scale_factor(double screen_twips, double twips_per_pixel, double design_pixels);

} // namespace kelvo::layout
