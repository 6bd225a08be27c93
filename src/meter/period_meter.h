// meter/: the figures of an output period: how long it ran, the charge and the energy that
// went into the load, integrated from the once-a-second readings.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace kelvo {

// Each reading stands for the time since the reading before it (the first, for the time
// since the output went on), and the last one also for the time up to the switch-off: so a
// period's figures cover exactly the time the output was on.
class PeriodMeter {
public:
    void start(double seconds);
    // A reading that is not a measurement (measured false) counts for nothing, nor does
    // the time up to it: the next measured one stands only for the time since.
    void add(double seconds, double volts, double amps, bool measured = true);
    // Freezes the figures at the switch-off; they stay until the next start.
    void stop(double seconds);

    bool running() const { return running_; }
    // The steady clock's seconds when the period began.
    double started_at() const { return start_; }
    // Elapsed time, at `seconds` while running and at the switch-off once stopped.
    double elapsed(double seconds) const;
    double coulombs() const { return coulombs_; }
    double joules() const { return joules_; }

private:
    void hold_last_until(double seconds);
    bool running_ = false;
    bool has_reading_ = false;
    double start_ = 0;
    double last_ = 0;
    double end_ = 0;
    double volts_ = 0;
    double amps_ = 0;
    double coulombs_ = 0;
    double joules_ = 0;
};

// "0.000 mAh" below one ampere-hour, "1.234 Ah" from there; energy likewise in mWh and Wh.
std::string charge_text(double coulombs);
std::string energy_text(double joules);
// "0:00:10" (to the nearest second), hours growing past 99 as needed.
std::string elapsed_text(double seconds);

} // namespace kelvo
