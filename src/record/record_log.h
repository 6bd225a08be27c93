// record/ owns the record log in the window, the switch-off procedure that ends every
// period of output, and the record files.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/time.h"

#include <string>

namespace kelvo {

// Year, month, day, hour, minute and second without leading zeros or separators, then
// ".TXT": 2026-12-06 01:17:03 gives "20261261173.TXT". A second file of the same name
// (copy 2, 3, ...) gets "-2", "-3", ... before the extension.
std::string record_file_name(const DateTime& moment, int copy = 1);

// "2026-3-4" and three blanks, then the time of day.
std::string record_date_line(const DateTime& moment, const std::string& time_text);

// The time of day, ten blanks, the voltage reading, ten blanks, the current reading.
std::string record_reading_line(const std::string& time_text, const std::string& voltage,
                                const std::string& current);

} // namespace kelvo
