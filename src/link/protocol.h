// link/ owns the serial link to the supply: the wire protocol, the port scan, the send
// stream and the polling cycle that is the program's main loop.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kelvo {

inline constexpr std::string_view kFrameHeader = "QZPPSU";
inline constexpr std::size_t kFrameLength = 16;

// Where the fields of a reply stand: "QZPPSU" "1234" "A" "0567" "W": the header, the
// voltage reading, the letter A, the current reading, the status letter ("B" while the
// supply limits the current).
inline constexpr std::size_t kReplyVoltageAt = 6;
inline constexpr std::size_t kReplyCurrentAt = 11;
inline constexpr std::size_t kReplyReadingLength = 4;
inline constexpr std::size_t kReplySeparatorAt = 10;
inline constexpr std::size_t kReplyStatusAt = 15;
static_assert(kReplyStatusAt + 1 == kFrameLength);

// A code 0..9999 as four decimal digits with leading zeros: 50 gives "0050".
std::string digits4(std::int16_t code);

// The command frame: header, voltage digits, mode letter, current digits, output letter.
std::string command_frame_text(std::int16_t voltage_code, char mode_letter,
                               std::int16_t current_code, char output_letter);

// True when a 16-character candidate is a valid reply: the header, "A" at position 11,
// "W" or "B" at position 16, and four decimal digits in each reading field.
bool receive_con(std::string_view frame);

enum class ReplyResult { NoHeader, NoWholeFrame, NoValidFrame, ValidFrame };

struct ReplySearch {
    ReplyResult result = ReplyResult::NoHeader;
    std::string frame; // the valid frame when there is one
};

// Every byte 255 removed.
std::string strip_255(std::string_view data);

// Looks for the newest valid reply in what one read second brought: frames are taken at
// fixed 16-character steps from the first header, newest first, each examined once.
ReplySearch find_reply_frame(std::string_view data);

// "1234" gives "12.34V"; "0567" gives "0.567A".
std::string voltage_reading_display(std::string_view reading);
// A reading's digits as its code (10 mV, 1 mA); anything but digits reads as 0.
int reading_code(std::string_view digits);
// A reading's digits as volts or amperes; anything but digits reads as nothing (0).
double reading_volts(std::string_view reading);
double reading_amps(std::string_view reading);
std::string current_reading_display(std::string_view reading);

} // namespace kelvo
