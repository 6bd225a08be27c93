// base/: the time of day as the program keeps it: a clock reading to the second, and a
// moment to the millisecond with its offset from UTC.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace kelvo {

// The local time of day to the second, as the clock gives it.
struct DateTime {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

// A moment with its milliseconds and the local offset from UTC, for the timeline.
struct Moment {
    DateTime local;
    int millisecond = 0;
    int utc_offset_minutes = 0;
};

} // namespace kelvo
