// The layout table applied to the window's controls when the screen size changes.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/form1.h"
#include "layout/layout_table.h"

#include <algorithm>
#include <type_traits>

namespace kelvo {

namespace {

void compute_factors(Form1& form) {
    form.screen_scale_x =
        layout::scale_factor(form.Screen.width_twips(), form.Screen.twips_per_pixel_x(), 1440);
    form.screen_scale_y =
        layout::scale_factor(form.Screen.height_twips(), form.Screen.twips_per_pixel_y(), 900);
}

// Whether the control of this name in the control list can be placed.
constexpr bool placeable(std::string_view name) {
#define KELVO_PLACEABLE(kind, control, role)                                                       \
    if (name == #control) {                                                                        \
        return std::is_base_of_v<platform::Control, platform::kinds::kind>;                        \
    }
    KELVO_CONTROLS(KELVO_PLACEABLE)
#undef KELVO_PLACEABLE
    return false;
}

static_assert(std::ranges::all_of(layout::kTable,
                                  [](const layout::Row& row) { return placeable(row.control); }),
              "every row of the layout table names a control that can be placed");

template <class Kind> platform::Control* as_placeable(Kind& control) {
    if constexpr (std::is_base_of_v<platform::Control, Kind>) {
        return &control;
    } else {
        return nullptr;
    }
}

// The control a row of the layout table places, by its name.
platform::Control& placed_control(Form1& form, std::string_view name) {
    platform::Control* found = nullptr;
#define KELVO_FIND(kind, control, role)                                                            \
    if (name == #control) {                                                                        \
        found = as_placeable(form.control);                                                        \
    }
    KELVO_CONTROLS(KELVO_FIND)
#undef KELVO_FIND
    // The table is checked against the control list above, when the program is built.
    return *found;
}

} // namespace

bool Form1::FBL_PD() {
    compute_factors(*this);
    if (last_scale_x == screen_scale_x && last_scale_y == screen_scale_y) {
        return false;
    }
    last_scale_x = screen_scale_x;
    last_scale_y = screen_scale_y;
    return true;
}

void Form1::FBL_REV() {
    compute_factors(*this);
    const float sx = screen_scale_x;
    const float sy = screen_scale_y;
    for (const layout::Row& row : layout::kTable) {
        platform::Control& control = placed_control(*this, row.control);
        std::optional<double> height;
        if (row.height) {
            height = static_cast<float>(*row.height) * sy;
        }
        control.set_geometry(static_cast<float>(row.left) * sx, static_cast<float>(row.top) * sy,
                             static_cast<float>(row.width) * sx, height);
        if (row.font_size) {
            control.set_font_size(static_cast<float>(*row.font_size) * sx);
        }
    }
}

} // namespace kelvo
