// app/: the instrument's limits and the sizes of the program's counters, in one place.
#pragma once

#include <cstdint>

namespace kelvo::limits {

inline constexpr std::int16_t kMaxVoltageCode = 3100; // 31.00 V in 10 mV
inline constexpr std::int16_t kMaxCurrentCode = 5100; // 5.100 A in 1 mA
// Runs and steps are counted in 16 bits.
inline constexpr int kMaxRuns = 32767;
inline constexpr int kMaxSteps = 32767;

} // namespace kelvo::limits
