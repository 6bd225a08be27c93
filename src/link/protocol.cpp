// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/protocol.h"

#include "base/limits.h"

namespace kelvo {

std::string digits4(std::int16_t code) {
    std::string text(4, '0');
    int rest = code;
    for (int i = 3; i >= 0; --i) {
        text[static_cast<std::size_t>(i)] = static_cast<char>('0' + rest % 10);
        rest /= 10;
    }
    return text;
}

std::string command_frame_text(std::int16_t voltage_code, char mode_letter,
                               std::int16_t current_code, char output_letter) {
    std::string frame(kFrameHeader);
    frame += digits4(voltage_code);
    frame += mode_letter;
    frame += digits4(current_code);
    frame += output_letter;
    return frame;
}

namespace {

bool four_digits(std::string_view field) {
    for (const char c : field) {
        if (c < '0' || c > '9') {
            return false;
        }
    }
    return field.size() == 4;
}

} // namespace

bool receive_con(std::string_view frame) {
    if (frame.size() < kFrameLength) {
        return false;
    }
    const char status = frame[kReplyStatusAt];
    // The reading fields must be digits: everything downstream reads them as numbers.
    return (status == 'W' || status == 'B') &&
           frame.substr(0, kFrameHeader.size()) == kFrameHeader &&
           frame[kReplySeparatorAt] == 'A' &&
           four_digits(frame.substr(kReplyVoltageAt, kReplyReadingLength)) &&
           four_digits(frame.substr(kReplyCurrentAt, kReplyReadingLength));
}

std::string strip_255(std::string_view data) {
    std::string clean;
    clean.reserve(data.size());
    for (const char c : data) {
        if (static_cast<unsigned char>(c) != 255) {
            clean += c;
        }
    }
    return clean;
}

ReplySearch find_reply_frame(std::string_view data) {
    const std::string clean = strip_255(data);
    const auto start = clean.find(kFrameHeader);
    if (start == std::string::npos) {
        return {ReplyResult::NoHeader, {}};
    }
    const std::string_view tail = std::string_view(clean).substr(start);
    const std::size_t frames = tail.size() / kFrameLength;
    if (frames == 0) {
        return {ReplyResult::NoWholeFrame, {}};
    }
    for (std::size_t k = frames; k >= 1; --k) {
        const std::string_view candidate = tail.substr((k - 1) * kFrameLength, kFrameLength);
        if (receive_con(candidate)) {
            return {ReplyResult::ValidFrame, std::string(candidate)};
        }
    }
    return {ReplyResult::NoValidFrame, {}};
}

namespace {

// Characters first..first+count-1 of a reading, as far as it has them.
std::string part(std::string_view reading, std::size_t first, std::size_t count) {
    return first < reading.size() ? std::string(reading.substr(first, count)) : std::string();
}

} // namespace

std::string voltage_reading_display(std::string_view reading) {
    return part(reading, 0, 2) + "." + part(reading, 2, 2) + "V";
}

int reading_code(std::string_view digits) {
    int code = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9') {
            return 0;
        }
        code = code * 10 + (c - '0');
    }
    return code;
}

double reading_volts(std::string_view reading) {
    return reading_code(reading) / static_cast<double>(limits::kCodesPerVolt);
}

double reading_amps(std::string_view reading) {
    return reading_code(reading) / static_cast<double>(limits::kCodesPerAmpere);
}

std::string current_reading_display(std::string_view reading) {
    return part(reading, 0, 1) + "." + part(reading, 1, 3) + "A";
}

} // namespace kelvo
