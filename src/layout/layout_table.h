// layout/ owns the screen-resolution layout: the scale factors and the table that places
// every scaled control for the actual screen.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "layout/design_table.h"

#include <array>
#include <optional>
#include <string_view>

namespace kelvo::layout {

// The layout's figures: twips relative to the container, font size in points.
struct Row {
    std::string_view control; // its name in the control list (platform/control_list.h)
    double left;
    double top;
    double width;
    std::optional<double> height;
    std::optional<double> font_size;
};

inline constexpr std::size_t kRows = kDesign.size();

// In the order the controls are laid out: the layout's own figures of the design table.
inline constexpr std::array<Row, kRows> kTable = [] {
    std::array<Row, kRows> rows{};
    for (std::size_t i = 0; i < kRows; ++i) {
        const Design& d = kDesign.at(i);
        rows.at(i) = {d.control,        d.laid_out.left,   d.laid_out.top,
                      d.laid_out.width, d.laid_out.height, d.laid_out_font};
    }
    return rows;
}();

// The layout factor of one direction: the screen's size in pixels over the design size
// (1440 across, 900 down), kept in single precision.
float scale_factor(double screen_twips, double twips_per_pixel, double design_pixels);

} // namespace kelvo::layout
