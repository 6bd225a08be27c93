// SPDX-License-Identifier: GPL-3.0-or-later
#include "chart/chart.h"

#include "base/texts.h"

namespace kelvo {

float chart::value_y(double value, float scale_y) {
    return static_cast<float>((2500 - 4 * value) * static_cast<double>(scale_y));
}

float chart::segment_x(std::int16_t n, float scale_x) {
    const auto design = static_cast<std::int16_t>(700 + 80 * (n - 1));
    return static_cast<float>(design) * scale_x;
}

std::string chart::number_text(int value) {
    return " " + std::to_string(value);
}

double chart::field_value(std::string_view field) {
    double value = 0;
    for (const char c : field) {
        if (c < '0' || c > '9') {
            break;
        }
        value = value * 10 + (c - '0');
    }
    return value;
}

} // namespace kelvo
