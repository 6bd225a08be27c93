// SPDX-License-Identifier: GPL-3.0-or-later
#include "layout/layout_table.h"

namespace kelvo {

float layout::scale_factor(double screen_twips, double twips_per_pixel, double design_pixels) {
    return static_cast<float>(screen_twips / twips_per_pixel / design_pixels);
}

} // namespace kelvo
