// SPDX-License-Identifier: GPL-3.0-or-later
#include "meter/period_meter.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace kelvo {

void PeriodMeter::start(double seconds) {
    *this = PeriodMeter{};
    running_ = true;
    start_ = seconds;
    last_ = seconds;
}

void PeriodMeter::hold_last_until(double seconds) {
    // A clock that stepped back (it cannot, but a reading must never subtract) adds nothing.
    const double span = seconds > last_ ? seconds - last_ : 0.0;
    coulombs_ += amps_ * span;
    joules_ += volts_ * amps_ * span;
    last_ = std::max(last_, seconds);
}

void PeriodMeter::add(double seconds, double volts, double amps, bool measured) {
    if (!running_) {
        return;
    }
    if (!measured) {
        last_ = std::max(last_, seconds);
        has_reading_ = false;
        return;
    }
    // Negative or impossible readings (a garbled frame) carry no charge.
    volts_ = std::isfinite(volts) && volts > 0 ? volts : 0.0;
    amps_ = std::isfinite(amps) && amps > 0 ? amps : 0.0;
    hold_last_until(seconds);
    has_reading_ = true;
}

void PeriodMeter::stop(double seconds) {
    if (!running_) {
        return;
    }
    if (has_reading_) {
        hold_last_until(seconds);
    }
    end_ = std::max(seconds, start_);
    running_ = false;
}

double PeriodMeter::elapsed(double seconds) const {
    const double until = running_ ? seconds : end_;
    return until > start_ ? until - start_ : 0.0;
}

namespace {

std::string scaled(double value, const char* small_unit, const char* unit) {
    char text[48];
    if (std::abs(value) < 1000.0) {
        std::snprintf(text, sizeof text, "%.3f %s", value, small_unit);
    } else {
        std::snprintf(text, sizeof text, "%.3f %s", value / 1000.0, unit);
    }
    return text;
}

} // namespace

std::string charge_text(double coulombs) {
    return scaled(coulombs / 3.6, "mAh", "Ah");
}

std::string energy_text(double joules) {
    return scaled(joules / 3.6, "mWh", "Wh");
}

std::string elapsed_text(double seconds) {
    // To the nearest second: the readout is refreshed about once a second, and rounding
    // keeps it from skipping a second when a refresh comes a little early.
    const long long whole = seconds > 0 ? std::llround(seconds) : 0;
    char text[48];
    std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", whole / 3600, whole / 60 % 60,
                  whole % 60);
    return text;
}

} // namespace kelvo
