// SPDX-License-Identifier: GPL-3.0-or-later
#include "record/journal_check.h"

#include "base/texts.h"
#include "record/period_events.h"

namespace kelvo {

namespace {

// Between the time of day and each reading in a record line.
constexpr std::string_view kGap = "          ";
// A reading with its unit: "05.00V", "0.500A".
constexpr std::size_t kLongestReading = 16;
// A line cut short by the crash is at most a record line.
constexpr std::size_t kLongestLine = 256;

bool printable(std::string_view text) {
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7f) {
            return false;
        }
    }
    return true;
}

bool number_then(std::string_view& text, char end) {
    std::size_t at = 0;
    while (at < text.size() && text[at] >= '0' && text[at] <= '9') {
        ++at;
    }
    if (at == 0 || at >= text.size() || text[at] != end) {
        return false;
    }
    text.remove_prefix(at + 1);
    return true;
}

// "2026-3-4   " and the time of day.
bool date_line(std::string_view line) {
    return number_then(line, '-') && number_then(line, '-') && number_then(line, ' ') &&
           line.starts_with("  ") && line.size() > 2 && printable(line);
}

bool reading(std::string_view field, char unit) {
    return !field.empty() && field.size() <= kLongestReading && field.back() == unit &&
           printable(field) && field.find(' ') == std::string_view::npos;
}

// The time of day, the gap, the voltage, the gap, the current.
bool reading_line(std::string_view line) {
    const std::size_t first = line.find(kGap);
    if (first == 0 || first == std::string_view::npos || !printable(line.substr(0, first))) {
        return false;
    }
    const std::string_view rest = line.substr(first + kGap.size());
    const std::size_t second = rest.find(kGap);
    return second != std::string_view::npos && reading(rest.substr(0, second), 'V') &&
           reading(rest.substr(second + kGap.size()), 'A');
}

// Walks the journal piece by piece as the program appended it.
class JournalWalk {
public:
    explicit JournalWalk(std::string_view bytes) : bytes_(bytes) {}

    std::string refusal() {
        const std::string head = std::string(texts::kProductName.en) + texts::kCrLf +
                                 texts::kRecordVersion.en + texts::kCrLf;
        if (!bytes_.starts_with(head)) {
            return texts::kJournalNoHeader.en;
        }
        at_ = head.size();
        line_ = 3;
        const std::string_view date = log_line();
        const bool cut = at_ == bytes_.size() && date.size() < kLongestLine && printable(date);
        if (!date_line(date) && !cut) {
            return texts::kJournalNoHeader.en;
        }
        while (at_ < bytes_.size()) {
            if (std::string why = piece(); !why.empty()) {
                return why;
            }
        }
        return {};
    }

private:
    // A log line from at_ on, up to the next line end or mark.
    std::string_view log_line() {
        std::size_t end = at_;
        while (end < bytes_.size() && bytes_[end] != '\r' && bytes_[end] != kJournalEventMark &&
               bytes_[end] != kJournalStaleMark) {
            ++end;
        }
        const std::string_view line = bytes_.substr(at_, end - at_);
        at_ = end;
        return line;
    }

    std::string line_refusal() const {
        return texts::fill(texts::kJournalBadLine.en, {std::to_string(line_)});
    }

    std::string piece() {
        const std::string_view rest = bytes_.substr(at_);
        if (rest.front() == kJournalStaleMark) {
            at_ += std::min<std::size_t>(2, rest.size());
            return rest.size() == 1 || rest[1] == '\n' ? std::string() : line_refusal();
        }
        if (rest.front() == kJournalEventMark) {
            const std::size_t end = rest.find('\n');
            at_ = end == std::string_view::npos ? bytes_.size() : at_ + end + 1;
            // A row cut short at the very end is where the crash came.
            if (end == std::string_view::npos || event_of_row(rest.substr(1, end - 1))) {
                return {};
            }
            return texts::fill(texts::kJournalBadMark.en, {std::to_string(line_)});
        }
        if (rest == "\r") {
            at_ = bytes_.size();
            return {};
        }
        if (!rest.starts_with(texts::kCrLf)) {
            return line_refusal();
        }
        at_ += 2;
        ++line_;
        const std::string_view line = log_line();
        const bool cut = at_ == bytes_.size() && line.size() < kLongestLine && printable(line);
        return reading_line(line) || cut ? std::string() : line_refusal();
    }

    std::string_view bytes_;
    std::size_t at_ = 0;
    int line_ = 0;
};

} // namespace

std::string journal_refusal(std::string_view bytes) {
    if (bytes.size() > kJournalMaxBytes) {
        return texts::fill(texts::kJournalTooLarge.en, {std::to_string(kJournalMaxBytes >> 20)});
    }
    return JournalWalk(bytes).refusal();
}

} // namespace kelvo
