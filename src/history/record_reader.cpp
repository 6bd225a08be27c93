// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/record_reader.h"

#include "base/texts.h"
#include "history/period_timeline.h"

#include <algorithm>
#include <limits>

namespace kelvo::history {

namespace {

constexpr int kDay = 86400;
// A time of day that goes back by more than this passed midnight; by less, the clock was
// set back (summer time ending) and the readings go on a second apart.
constexpr int kMidnightStep = kDay / 2;
// How far the first line of a silence may lie from the moment its "supply not answering"
// row was written: the row comes with the read second, the line at the next display second.
constexpr std::int64_t kSilenceSlack = 5;

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

// "2026-12-7   15:50:16": the date, then the time of day.
bool date_line(std::string_view text, DateTime& moment, int& seconds) {
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

// The values a text took the places of %1 (and %2) of `pattern` with: the pattern's
// fixed pieces hold no time of day or reason, so the first match of each piece is its own.
bool unfill(std::string_view text, std::string_view pattern, std::string_view* values, int count) {
    const std::size_t first = pattern.find("%1");
    const std::size_t second = count == 2 ? pattern.find("%2") : first;
    if (first == std::string_view::npos || second == std::string_view::npos || second < first) {
        return false;
    }
    const std::string_view head = pattern.substr(0, first);
    const std::string_view tail = pattern.substr(second + 2);
    if (text.size() < head.size() + tail.size() || !text.starts_with(head) ||
        text.substr(text.size() - tail.size()) != tail) {
        return false;
    }
    text = text.substr(head.size(), text.size() - head.size() - tail.size());
    if (count == 2) {
        const std::string_view middle = pattern.substr(first + 2, second - first - 2);
        const std::size_t at = text.find(middle);
        if (at == std::string_view::npos) {
            return false;
        }
        values[0] = text.substr(0, at);
        values[1] = text.substr(at + middle.size());
    } else {
        values[0] = text;
    }
    return std::all_of(values, values + count, [](std::string_view v) { return !v.empty(); });
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

void RecordReader::feed(std::string_view chunk) {
    while (!chunk.empty() && state_ != State::Failed) {
        const std::size_t end = chunk.find('\n');
        // The line goes on past this chunk's end, or ends within it.
        const std::size_t length = partial_.size() + std::min(end, chunk.size());
        if (length > kLineLimit) {
            fail_long_line();
            return;
        }
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
    // Notes out of order (a file put together by hand) still give runs in order, apart.
    std::vector<SampleRun>& runs = series_.unmeasured;
    std::sort(runs.begin(), runs.end(),
              [](const SampleRun& a, const SampleRun& b) { return a.first < b.first; });
    std::size_t kept = 0;
    for (const SampleRun& run : runs) {
        if (kept > 0 && runs[kept - 1].first + runs[kept - 1].count >= run.first) {
            SampleRun& last = runs[kept - 1];
            last.count = std::max(last.first + last.count, run.first + run.count) - last.first;
        } else {
            runs[kept++] = run;
        }
    }
    runs.resize(kept);
}

void RecordReader::fail_long_line() {
    // What was read so far counts for nothing: the file is not a record.
    series_ = Series{};
    series_.error = ReadError::NotRecord;
    series_.line_too_long = true;
    state_ = State::Failed;
    std::string().swap(partial_);
}

void RecordReader::use_events(const std::vector<PeriodEvent>& events) {
    silent_moments_.clear();
    for (const PeriodEvent& event : events) {
        if (event.kind == EventKind::SupplySilent) {
            silent_moments_.push_back(event.at);
        }
    }
    events_offset_ = timeline_offset(events);
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
        if (text.starts_with("\xEF\xBB\xBF")) {
            text.remove_prefix(3);
        }
        state_ = trim_end(text) == texts::kProductName.en ? State::Header : State::Failed;
        series_.error = state_ == State::Failed ? ReadError::NotRecord : ReadError::None;
        return;
    }
    if (text.starts_with("Version:")) {
        return;
    }
    if (!date_line(text, series_.start, start_time_)) {
        state_ = State::Failed;
        series_.error = ReadError::NoDateLine;
        return;
    }
    last_time_ = start_time_;
    offset_ = -start_time_;
    offsets_.assign(1, {0, offset_});
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
    if (note_line(text)) {
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
        offsets_.emplace_back(series_.samples.size(), offset_);
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

bool RecordReader::note_line(std::string_view text) {
    std::string_view values[2];
    for (const char* pattern : {texts::kSilenceNote.en, texts::kSilenceNote.zh}) {
        if (unfill(text, pattern, values, 2)) {
            const int from = time_of_day(values[0]);
            const int to = time_of_day(values[1]);
            if (from < 0 || to < 0) {
                ++series_.junk;
            } else {
                silence_note(from, to);
            }
            return true;
        }
    }
    for (const char* pattern : {texts::kLimitOffNote.en, texts::kLimitOffNote.zh}) {
        if (unfill(text, pattern, values, 1)) {
            series_.limit_off = true;
            series_.limit_reason = values[0];
            return true;
        }
    }
    return false;
}

int RecordReader::time_of_sample(std::size_t index) const {
    const auto after = std::upper_bound(
        offsets_.begin(), offsets_.end(), index,
        [](std::size_t i, const std::pair<std::size_t, std::int64_t>& o) { return i < o.first; });
    const std::int64_t offset = after == offsets_.begin() ? -start_time_ : std::prev(after)->second;
    return static_cast<int>(series_.samples[index].seconds - offset);
}

std::optional<std::size_t> RecordReader::silence_start(int from) {
    const std::vector<Sample>& samples = series_.samples;
    // With the events at hand: the line at that time of day next to a silence's moment.
    const int reference = events_offset_.value_or(0);
    for (const Moment& moment : silent_moments_) {
        const std::int64_t at = ms_after(series_.start, moment, reference) / 1000;
        if (searched_ < samples.size() && at + kSilenceSlack < samples[searched_].seconds) {
            continue; // a silence named before
        }
        const auto before = [](const Sample& s, std::int64_t t) { return s.seconds < t; };
        auto it = std::lower_bound(samples.begin() + static_cast<std::ptrdiff_t>(searched_),
                                   samples.end(), at - kSilenceSlack, before);
        for (; it != samples.end() && it->seconds <= at + kSilenceSlack; ++it) {
            const auto index = static_cast<std::size_t>(it - samples.begin());
            if (time_of_sample(index) == from) {
                return index;
            }
        }
    }
    // Without: the first line at that time of day after the silence named before; then
    // before it, for notes that are not in order.
    for (std::size_t k = 0; k < samples.size(); ++k) {
        const std::size_t index = (searched_ + k) % samples.size();
        if (time_of_sample(index) == from) {
            return index;
        }
    }
    return std::nullopt;
}

void RecordReader::silence_note(int from, int to) {
    const std::optional<std::size_t> first = silence_start(from);
    std::size_t last = first.value_or(0);
    while (first && last < series_.samples.size() && time_of_sample(last) != to) {
        ++last;
    }
    if (!first || last == series_.samples.size()) {
        ++series_.junk; // no such lines: the note says nothing that can be shown
        return;
    }
    series_.unmeasured.push_back(
        {static_cast<std::uint32_t>(*first), static_cast<std::uint32_t>(last - *first + 1)});
    searched_ = last + 1;
}

void read_closing_lines(std::string_view log, Series& series) {
    // Back from the end to the last reading line: what follows it closes the period.
    std::vector<std::string_view> lines;
    while (!log.empty()) {
        const std::size_t start = log.rfind('\n', log.size() - 1);
        const std::size_t from = start == std::string_view::npos ? 0 : start + 1;
        std::string_view line = log.substr(from);
        log = log.substr(0, start == std::string_view::npos ? 0 : start);
        line = trim_end(line);
        std::string_view rest = line;
        std::string_view word;
        if (split_last(rest, 'A', word) && split_last(rest, 'V', word)) {
            break;
        }
        lines.push_back(line);
    }
    std::reverse(lines.begin(), lines.end());
    for (const std::string_view line : lines) {
        std::string_view reason;
        if (read_end_line(line, series)) {
            continue;
        }
        for (const char* pattern : {texts::kLimitOffNote.en, texts::kLimitOffNote.zh}) {
            if (unfill(line, pattern, &reason, 1)) {
                series.limit_off = true;
                series.limit_reason = reason;
            }
        }
    }
}

} // namespace kelvo::history
