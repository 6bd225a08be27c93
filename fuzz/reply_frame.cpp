// The reply-frame search on whatever bytes one read second may bring: a found frame is a
// whole valid frame taken from the data, and its readings display in the fixed forms.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "chart/chart.h"
#include "check.h"
#include "link/protocol.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

using namespace kelvo;

namespace {

bool is_digit(char c) {
    return c >= '0' && c <= '9';
}

// "dd.ddV" for the voltage, "d.dddA" for the current.
bool display_form(const std::string& text, std::size_t point, char unit) {
    if (text.size() != 6 || text[point] != '.' || text[5] != unit) {
        return false;
    }
    for (std::size_t i = 0; i < 5; ++i) {
        if (i != point && !is_digit(text[i])) {
            return false;
        }
    }
    return true;
}

std::size_t count_255(std::string_view data) {
    std::size_t n = 0;
    for (const char c : data) {
        n += static_cast<unsigned char>(c) == 255 ? 1 : 0;
    }
    return n;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    const std::string_view data(reinterpret_cast<const char*>(bytes), size);
    const std::string clean = strip_255(data);
    KELVO_FUZZ_REQUIRE(clean.size() == size - count_255(data));
    KELVO_FUZZ_REQUIRE(count_255(clean) == 0);

    const ReplySearch reply = find_reply_frame(data);
    // The polling cycle searches data it has already cleaned: the answer must not change.
    const ReplySearch again = find_reply_frame(clean);
    KELVO_FUZZ_REQUIRE(again.result == reply.result && again.frame == reply.frame);

    const std::size_t start = clean.find(kFrameHeader);
    switch (reply.result) {
    case ReplyResult::NoHeader:
        KELVO_FUZZ_REQUIRE(start == std::string::npos);
        KELVO_FUZZ_REQUIRE(reply.frame.empty());
        break;
    case ReplyResult::NoWholeFrame:
        KELVO_FUZZ_REQUIRE(start != std::string::npos);
        KELVO_FUZZ_REQUIRE(clean.size() - start < kFrameLength);
        KELVO_FUZZ_REQUIRE(reply.frame.empty());
        break;
    case ReplyResult::NoValidFrame:
        KELVO_FUZZ_REQUIRE(start != std::string::npos);
        KELVO_FUZZ_REQUIRE(reply.frame.empty());
        for (std::size_t at = start; at + kFrameLength <= clean.size(); at += kFrameLength) {
            KELVO_FUZZ_REQUIRE(!receive_con(std::string_view(clean).substr(at, kFrameLength)));
        }
        break;
    case ReplyResult::ValidFrame: {
        const std::string& frame = reply.frame;
        KELVO_FUZZ_REQUIRE(frame.size() == kFrameLength);
        KELVO_FUZZ_REQUIRE(receive_con(frame));
        KELVO_FUZZ_REQUIRE(clean.find(frame) != std::string::npos);
        // It is the newest valid frame on the 16-character grid from the first header.
        std::size_t newest = std::string::npos;
        for (std::size_t at = start; at + kFrameLength <= clean.size(); at += kFrameLength) {
            if (receive_con(std::string_view(clean).substr(at, kFrameLength))) {
                newest = at;
            }
        }
        KELVO_FUZZ_REQUIRE(newest != std::string::npos);
        KELVO_FUZZ_REQUIRE(clean.compare(newest, kFrameLength, frame) == 0);

        const std::string voltage = frame.substr(6, 4);
        const std::string current = frame.substr(11, 4);
        KELVO_FUZZ_REQUIRE(display_form(voltage_reading_display(voltage), 2, 'V'));
        KELVO_FUZZ_REQUIRE(display_form(current_reading_display(current), 1, 'A'));
        for (const std::string& field : {voltage, current}) {
            const double value = chart::field_value(field);
            KELVO_FUZZ_REQUIRE(value == std::stoi(field));
        }
        break;
    }
    }

    // The displays also take torn readings of any length without reading past them.
    const std::string shown = voltage_reading_display(data.substr(0, 8));
    KELVO_FUZZ_REQUIRE(shown.size() >= 2 && shown.back() == 'V');
    const std::string amps = current_reading_display(data.substr(0, 8));
    KELVO_FUZZ_REQUIRE(amps.size() >= 2 && amps.back() == 'A');
    return 0;
}
