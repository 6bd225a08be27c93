// base/: the instrument's limits, the program's timing and the sizes of its counters, in one
// place.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

namespace kelvo::limits {

// Set-points travel as whole codes: volts in 10 mV, amperes in 1 mA.
inline constexpr int kCodesPerVolt = 100;
inline constexpr int kCodesPerAmpere = 1000;
inline constexpr int kMaxVolts = 31;
inline constexpr double kMaxAmperes = 5.1;
inline constexpr std::int16_t kMaxVoltageCode = 3100; // kMaxVolts in 10 mV
inline constexpr std::int16_t kMaxCurrentCode = 5100; // kMaxAmperes in 1 mA
static_assert(kMaxVoltageCode == kMaxVolts * kCodesPerVolt);

// Timing: the polling cycle, and the send stream that puts one character of the command
// frame on the wire per beat.
inline constexpr int kPollingMs = 100;
inline constexpr int kSendMs = 5;
inline constexpr int kTicksPerSecond = 1000 / kPollingMs;
// A typed set-point takes effect once its box has been left alone this many ticks.
inline constexpr int kEntrySettleTicks = 30;
// The idle counters stop here: far enough past kEntrySettleTicks, small enough for 16 bits.
inline constexpr int kIdleTickCap = 100;

// The serial ports the program knows by number: COM1..COM16.
inline constexpr int kPortCount = 16;
// How long a note (a port refused) holds the status bar's link panel.
inline constexpr double kStatusNoteSeconds = 30;

// Runs and steps are counted in 16 bits.
inline constexpr int kMaxRuns = 32767;
inline constexpr int kMaxSteps = 32767;
// A step's seconds count down in 16 bits; a step lasts at least one second.
inline constexpr int kMinStepSeconds = 1;
inline constexpr int kMaxStepSeconds = 32767;
// The run counts the list offers; any other up to kMaxRuns can be typed.
inline constexpr int kRunsOffered = 100;

} // namespace kelvo::limits
