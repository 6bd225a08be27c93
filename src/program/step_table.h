// program/ owns the step program: the copy of the step table taken at RUN, the run
// count, starting and stopping a run, and executing it step by step.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/services.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kelvo {

// A cell as a number: empty counts as 0, a number as itself, text only when it is a
// whole number written out ("12.5", " 3 "); other text is not a number.
std::optional<double> cell_number(const platform::FieldValue& cell);

// A run count: a whole number from 1 to 32767, blanks around it allowed; nothing for any
// other text ("x" is the caller's).
std::optional<std::int16_t> parse_run_count(std::string_view text);

// Whether a field's name is the name given, the letters' case aside ("endwhen", "EndWhen").
bool same_field_name(std::string_view name, std::string_view wanted);

// Where the table holds each of the condition's fields (kConditionFieldNames), found by name
// after the three described ones; -1 for one it lacks.
std::array<int, 5> condition_fields(const platform::RecordSet& records);

// The prompt that refuses row `row` (0-based) of the step table.
std::string step_row_prompt(int row, bool voltage);

} // namespace kelvo
