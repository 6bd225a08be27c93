// SPDX-License-Identifier: GPL-3.0-or-later
// The calendar arithmetic of records: seconds between moments across days, months and years.
#include "history/record_reader.h"

namespace kelvo::history {

namespace {

constexpr std::int64_t kSecondsPerDay = 86400;

// Days since 1970-01-01 of a civil date (proleptic Gregorian calendar).
std::int64_t days_from_civil(std::int64_t y, int m, int d) {
    y -= m <= 2 ? 1 : 0;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const std::int64_t yoe = y - era * 400;
    const std::int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

DateTime civil_from_days(std::int64_t z) {
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const std::int64_t doe = z - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    DateTime date;
    date.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    date.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    date.year = static_cast<int>(yoe + era * 400 + (date.month <= 2 ? 1 : 0));
    return date;
}

// Seconds since 1970-01-01 00:00, the moment read as if it were UTC.
std::int64_t stamp_of(const DateTime& m) {
    return days_from_civil(m.year, m.month, m.day) * kSecondsPerDay + std::int64_t{m.hour} * 3600 +
           std::int64_t{m.minute} * 60 + m.second;
}

} // namespace

std::int64_t seconds_between(const DateTime& from, const DateTime& to) {
    return stamp_of(to) - stamp_of(from);
}

std::int64_t ms_after(const DateTime& start, const Moment& at, int utc_offset_minutes) {
    const std::int64_t seconds = seconds_between(start, at.local) -
                                 std::int64_t{at.utc_offset_minutes - utc_offset_minutes} * 60;
    return seconds * 1000 + at.millisecond;
}

DateTime moment_after(const DateTime& start, std::int64_t seconds) {
    const std::int64_t stamp = stamp_of(start) + seconds;
    const std::int64_t days = (stamp >= 0 ? stamp : stamp - kSecondsPerDay + 1) / kSecondsPerDay;
    const std::int64_t rest = stamp - days * kSecondsPerDay;
    DateTime moment = civil_from_days(days);
    moment.hour = static_cast<int>(rest / 3600);
    moment.minute = static_cast<int>(rest / 60 % 60);
    moment.second = static_cast<int>(rest % 60);
    return moment;
}

} // namespace kelvo::history
