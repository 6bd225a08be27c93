// history/: a record as a table for spreadsheets, one row per reading.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "history/record_reader.h"

#include <ostream>

namespace kelvo::history {

// "time,seconds,voltage_V,current_A,power_W,charge_Ah,energy_Wh", then a row per reading:
// its local time in ISO 8601 (midnight passes move the date), the seconds since the date
// line, the readings, and the period's charge and energy up to and including it. A reading
// that was not measured keeps its time and the figures, with the readings left empty. When
// the timeline tells the switch-off, a last row at that moment (to the millisecond) gives
// the period's final figures. False when the stream failed.
bool write_csv(const Series& series, std::ostream& out);

} // namespace kelvo::history
