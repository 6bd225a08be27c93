// chart/ owns the two live strip charts of measured voltage and current.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kelvo::chart {

// Design height of a history value (0.1 V or 0.01 A units): 2500 - 4 v, scaled.
float value_y(double value, float scale_y);

// Design x of the left end of segment n: 700 + 80 (n - 1), scaled.
float segment_x(std::int16_t n, float scale_x);

// A chart number as printed: one blank (the sign's place), then its digits.
std::string number_text(int value);

// The number a reading field begins with: "0123" gives 123, no leading digit gives 0.
double field_value(std::string_view field);

} // namespace kelvo::chart
