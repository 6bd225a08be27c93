// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/record_reader.h"

#include "app/texts.h"

#include <algorithm>
#include <limits>

namespace kelvo::history {

namespace {

constexpr int kDay = 86400;
// A time of day that goes back by more than this passed midnight; by less, the clock was
// set back (summer time ending) and the readings go on a second apart.
constexpr int kMidnightStep = kDay / 2;

bool starts_with(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

bool is_digit(char c) {
    return c >= '0' && c <= '9';
}

std::string_view trim_end(std::string_view text) {
    while (!text.empty() && (text.back() == ' ' || text.back() == '\r' || text.back() == '\t')) {
        text.remove_suffix(1);
    }
    return text;
}

bool contains_any(std::string_view text, std::initializer_list<std::string_view> words) {
    return std::any_of(words.begin(), words.end(), [text](std::string_view w) {
        return text.find(w) != std::string_view::npos;
    });
}

// The last blank-separated word of `text` if it ends with `unit`, and what stands before it.
bool split_last(std::string_view& text, char unit, std::string_view& word) {
    text = trim_end(text);
    if (text.empty() || text.back() != unit) {
        return false;
    }
    const std::size_t blank = text.find_last_of(' ');
    if (blank == std::string_view::npos) {
        return false;
    }
    word = text.substr(blank + 1, text.size() - blank - 2);
    text = text.substr(0, blank);
    return true;
}

// Days since 1970-01-01 of a civil date (proleptic Gregorian calendar).
std::int64_t days_from_civil(std::int64_t y, int m, int d) {
    y -= m <= 2 ? 1 : 0;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const std::int64_t yoe = y - era * 400;
    const std::int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

platform::DateTime civil_from_days(std::int64_t z) {
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const std::int64_t doe = z - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    platform::DateTime date;
    date.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    date.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    date.year = static_cast<int>(yoe + era * 400 + (date.month <= 2 ? 1 : 0));
    return date;
}

// "2026-12-7   15:50:16": the date, then the time of day.
bool date_line(std::string_view text, platform::DateTime& moment, int& seconds) {
    int parts[3] = {0, 0, 0};
    std::size_t at = 0;
    for (int k = 0; k < 3; ++k) {
        const std::size_t first = at;
        while (at < text.size() && is_digit(text[at]) && at - first < 5) {
            parts[k] = parts[k] * 10 + (text[at++] - '0');
        }
        const char end = k < 2 ? '-' : ' ';
        if (at == first || at >= text.size() || text[at] != end) {
            return false;
        }
        at += k < 2 ? 1 : 0;
    }
    if (parts[0] < 1 || parts[1] < 1 || parts[1] > 12 || parts[2] < 1 || parts[2] > 31) {
        return false;
    }
    seconds = time_of_day(text.substr(at));
    if (seconds < 0) {
        return false;
    }
    moment = {parts[0], parts[1], parts[2], seconds / 3600, seconds / 60 % 60, seconds % 60};
    return true;
}

} // namespace

int fixed_code(std::string_view text, int decimals) {
    long value = 0;
    int whole = 0;
    std::size_t at = 0;
    for (; at < text.size() && is_digit(text[at]); ++at, ++whole) {
        value = value * 10 + (text[at] - '0');
        if (whole > 5) {
            return -1;
        }
    }
    int places = 0;
    if (at < text.size() && text[at] == '.') {
        for (++at; at < text.size() && is_digit(text[at]); ++at) {
            if (places < decimals) {
                value = value * 10 + (text[at] - '0');
                ++places;
            } else if (places++ == decimals && text[at] >= '5') {
                ++value; // rounded at the last place kept
            }
        }
    }
    if (at != text.size() || (whole == 0 && places == 0)) {
        return -1;
    }
    for (; places < decimals; ++places) {
        value *= 10;
    }
    return value <= 65535 ? static_cast<int>(value) : -1;
}

int time_of_day(std::string_view text) {
    int parts[3] = {0, 0, 0};
    int found = 0;
    for (std::size_t at = 0; at < text.size();) {
        if (!is_digit(text[at])) {
            ++at;
            continue;
        }
        if (found == 3) {
            return -1;
        }
        const std::size_t first = at;
        while (at < text.size() && is_digit(text[at])) {
            if (at - first == 2) {
                return -1;
            }
            parts[found] = parts[found] * 10 + (text[at++] - '0');
        }
        ++found;
    }
    int hour = parts[0];
    const bool pm = contains_any(text, {"PM", "pm", "p.m.", "P.M.", "下午", "午後", "오후"});
    const bool am = contains_any(text, {"AM", "am", "a.m.", "A.M.", "上午", "午前", "오전"});
    if (pm || am) {
        if (pm == am || hour < 1 || hour > 12) {
            return -1;
        }
        hour = hour % 12 + (pm ? 12 : 0);
    }
    if (found != 3 || hour > 23 || parts[1] > 59 || parts[2] > 59) {
        return -1;
    }
    return hour * 3600 + parts[1] * 60 + parts[2];
}

namespace {

// Seconds since 1970-01-01 00:00, the moment read as if it were UTC.
std::int64_t stamp_of(const platform::DateTime& m) {
    return days_from_civil(m.year, m.month, m.day) * kDay + std::int64_t{m.hour} * 3600 +
           std::int64_t{m.minute} * 60 + m.second;
}

} // namespace

std::int64_t seconds_between(const platform::DateTime& from, const platform::DateTime& to) {
    return stamp_of(to) - stamp_of(from);
}

platform::DateTime moment_after(const platform::DateTime& start, std::int64_t seconds) {
    const std::int64_t stamp = stamp_of(start) + seconds;
    const std::int64_t days = (stamp >= 0 ? stamp : stamp - kDay + 1) / kDay;
    const std::int64_t rest = stamp - days * kDay;
    platform::DateTime moment = civil_from_days(days);
    moment.hour = static_cast<int>(rest / 3600);
    moment.minute = static_cast<int>(rest / 60 % 60);
    moment.second = static_cast<int>(rest % 60);
    return moment;
}

void RecordReader::feed(std::string_view chunk) {
    while (!chunk.empty()) {
        const std::size_t end = chunk.find('\n');
        if (end == std::string_view::npos) {
            partial_.append(chunk);
            return;
        }
        if (partial_.empty()) {
            line(chunk.substr(0, end), false);
        } else {
            partial_.append(chunk.substr(0, end));
            line(partial_, false);
            partial_.clear();
        }
        chunk.remove_prefix(end + 1);
    }
}

void RecordReader::finish() {
    if (!partial_.empty()) {
        line(partial_, true);
        partial_.clear();
    }
    if (state_ == State::Name) {
        series_.error = ReadError::NotRecord;
    } else if (state_ == State::Header) {
        series_.error = ReadError::NoDateLine;
    } else if (state_ == State::Readings) {
        series_.cut = true;
    }
}

void RecordReader::line(std::string_view text, bool last) {
    if (!text.empty() && text.back() == '\r') {
        text.remove_suffix(1);
    }
    switch (state_) {
    case State::Name:
    case State::Header:
        header_line(text);
        break;
    case State::Readings:
        reading_line(text, last);
        break;
    case State::Ended:
        series_.junk += trim_end(text).empty() ? 0 : 1;
        break;
    case State::Failed:
        break;
    }
}

void RecordReader::header_line(std::string_view text) {
    if (state_ == State::Name) {
        // A file saved by an editor may begin with the byte order mark.
        if (starts_with(text, "\xEF\xBB\xBF")) {
            text.remove_prefix(3);
        }
        state_ = trim_end(text) == texts::kProductName.en ? State::Header : State::Failed;
        series_.error = state_ == State::Failed ? ReadError::NotRecord : ReadError::None;
        return;
    }
    if (starts_with(text, "Version:")) {
        return;
    }
    if (!date_line(text, series_.start, start_time_)) {
        state_ = State::Failed;
        series_.error = ReadError::NoDateLine;
        return;
    }
    last_time_ = start_time_;
    offset_ = -start_time_;
    state_ = State::Readings;
}

void RecordReader::reading_line(std::string_view text, bool last) {
    std::string_view rest = text;
    std::string_view volts;
    std::string_view amps;
    if (split_last(rest, 'A', amps) && split_last(rest, 'V', volts)) {
        const int amp_code = fixed_code(amps, 3);
        const int volt_code = fixed_code(volts, 2);
        const int time = time_of_day(trim_end(rest));
        if (amp_code >= 0 && volt_code >= 0 && time >= 0) {
            add(time, volt_code, amp_code);
            return;
        }
    }
    if (read_end_line(text, series_)) {
        state_ = State::Ended;
        return;
    }
    if (text == texts::kRecoveredNote.en) {
        series_.recovered = true;
    } else if (!last && !trim_end(text).empty()) {
        // A last line without its end is where the file was cut, not junk.
        ++series_.junk;
    }
}

void RecordReader::add(int time, int volt_code, int amp_code) {
    std::int64_t seconds = time + offset_;
    const std::int64_t previous = series_.samples.empty() ? 0 : series_.samples.back().seconds;
    if (seconds < previous) {
        if (last_time_ - time > kMidnightStep) {
            offset_ += kDay;
        } else {
            offset_ = previous + 1 - time;
        }
        seconds = time + offset_;
    }
    last_time_ = time;
    if (seconds > std::numeric_limits<std::int32_t>::max()) {
        ++series_.junk;
        return;
    }
    series_.samples.push_back({static_cast<std::int32_t>(seconds),
                               static_cast<std::uint16_t>(volt_code),
                               static_cast<std::uint16_t>(amp_code)});
}

bool read_end_line(std::string_view line, Series& series) {
    std::string_view text = line;
    if (!text.empty() && text.back() == '\r') {
        text.remove_suffix(1);
    }
    for (const char* label : {texts::kSavePath.en, texts::kSavePath.zh}) {
        if (starts_with(text, label)) {
            series.path = text.substr(std::string_view(label).size());
            series.saved = true;
            series.cut = false;
            return true;
        }
    }
    for (const char* label : {texts::kRecordNotSaved.en, texts::kRecordNotSaved.zh}) {
        if (starts_with(text, label)) {
            series.reason = text.substr(std::string_view(label).size());
            series.not_saved = true;
            series.cut = false;
            return true;
        }
    }
    return false;
}

Series read_record(std::string_view text) {
    RecordReader reader;
    reader.feed(text);
    reader.finish();
    return reader.take();
}

} // namespace kelvo::history
