// remote/ owns remote control over a SCPI socket: the command language (this file), the
// lines a client sends, what each command does to the window model (session), and the
// --remote option. Standard C++ only; the socket itself is Qt code in qt/remote/.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kelvo::remote {

enum class Header {
    Identify,
    Reset,
    ClearStatus,
    OperationComplete,
    EventEnable,
    EventStatus,
    ServiceEnable,
    StatusByte,
    SelfTest,
    Wait,
    NextError,
    ErrorCount,
    ScpiVersion,
    Link,
    Voltage,
    Current,
    Apply,
    Output,
    ProtectionMode,
    ProtectionState,
    VoltageProtection,
    Tripped,
    ProtectionClear,
    MeasureVoltage,
    MeasureCurrent,
    MeasurePower,
    MeasureCharge,
    MeasureEnergy,
    StatusEvent,
    StatusCondition,
    StatusEnable,
    StatusPositive,
    StatusNegative,
    StatusPreset,
    ProgramRun,
    ProgramStop,
    ProgramState,
    ProgramTable,
    ProgramProfile,
    ProgramEnd,
};

// The standard error numbers this program reports.
namespace error {
inline constexpr int kSyntax = -102;
inline constexpr int kParameterNotAllowed = -108;
inline constexpr int kMissingParameter = -109;
inline constexpr int kUndefinedHeader = -113;
inline constexpr int kInvalidSuffix = -131;
inline constexpr int kSettingsConflict = -221;
inline constexpr int kOutOfRange = -222;
inline constexpr int kTooMuchData = -223;
inline constexpr int kIllegalValue = -224;
inline constexpr int kStale = -230;
inline constexpr int kQueueOverflow = -350;
} // namespace error

// Which of the commands of one header: FETCh beside MEASure, the register of a STATus
// command, the limit a TRIPped? asks for.
namespace variant {
inline constexpr int kMeasure = 0;
inline constexpr int kFetch = 1;
inline constexpr int kOperation = 0;
inline constexpr int kQuestionable = 1;
inline constexpr int kVoltageTrip = 0;
inline constexpr int kCurrentTrip = 1;
} // namespace variant

// One command of a line, its header known and its parameter count checked.
struct Unit {
    Header header = Header::Identify;
    int variant = 0;
    bool query = false;
    std::string argument; // blanks trimmed; empty when none was given
    std::string text;     // the command as sent, blanks trimmed
};

// A command of the line, or the error number that refused it.
struct Parsed {
    std::optional<Unit> unit;
    int error = 0;
};

// The commands of one line (without its terminator), separated by ";". A header that does
// not begin with ":" or "*" is first looked up below the path of the header before it
// ("MEAS:VOLT?;CURR?" asks MEAS:CURR?), then from the root. Empty commands are skipped.
std::vector<Parsed> parse_line(std::string_view line);

// True when a header ("sour:volt:lev") names the pattern ("[SOURce:]VOLTage[:LEVel]"): each
// node in its short form (the capitals) or its long form, any case, bracketed nodes optional.
bool header_matches(std::string_view pattern, std::string_view header);

// A decimal number as SCPI writes them: "5", "-1.25", ".5", "5.", "2.5E-1"; nothing else.
std::optional<double> parse_number(std::string_view text);

// A string parameter, "..." or '...', its quote doubled inside: the text it holds.
std::optional<std::string> parse_string(std::string_view text);

// ON, OFF, 1 or 0, any case.
std::optional<bool> parse_switch(std::string_view text);

// A choice among patterns of one node ("STEady", "TRIP"): its index, or nothing.
std::optional<std::size_t> parse_choice(std::string_view text,
                                        std::initializer_list<std::string_view> choices);

} // namespace kelvo::remote
