// history/: the charge and energy of a recorded period, reading by reading, counted in
// whole units of the readings (1 mA x 1 s, 10 mV x 1 mA x 1 s) so that a week adds up
// without rounding; the same count the program's meter makes as the period runs.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "history/record_reader.h"

#include <algorithm>
#include <cstdint>

namespace kelvo::history {

// Each measured reading stands for the time since the reading before it. A reading that
// was not measured stands for nothing, nor does the time up to it. The first stands for
// the time since the output went on when the events file tells that moment; else since the
// date line, but at least a second: record times are whole seconds and the supply is read
// once a second. The last one also stands up to the switch-off, when that is told.
class PeriodSum {
public:
    // The output went on `ms` after the date line.
    void start_at(std::int64_t ms) {
        start_ms_ = ms;
        has_start_ = true;
    }
    void add(const Sample& sample, bool measured = true) {
        const std::int64_t at = sample.seconds;
        if (started_ || !has_start_) {
            const std::int64_t span =
                started_ ? std::max<std::int64_t>(0, at - last_) : std::max<std::int64_t>(1, at);
            if (measured) {
                charge_ += span * sample.amp_code;
                energy_ += span * sample.amp_code * std::int64_t{sample.volt_code};
            }
        } else if (measured) {
            hold(sample, std::max<std::int64_t>(0, at * 1000 - start_ms_));
        }
        started_ = true;
        last_ = std::max(last_, at);
        held_ = measured;
        last_sample_ = sample;
    }
    // The output went off `ms` after the date line.
    void stop_at(std::int64_t ms) {
        if (held_) {
            hold(last_sample_, std::max<std::int64_t>(0, ms - last_ * 1000));
        }
        held_ = false;
    }
    double coulombs() const { return static_cast<double>(charge_) / 1000.0 + part_charge_ / 1e6; }
    double joules() const { return static_cast<double>(energy_) / 100000.0 + part_energy_ / 1e8; }

private:
    // The spans to the switch-on and the switch-off are not whole seconds: counted apart, so
    // the whole seconds stay exact.
    void hold(const Sample& sample, std::int64_t ms) {
        const double span = static_cast<double>(ms);
        part_charge_ += span * sample.amp_code;
        part_energy_ += span * sample.amp_code * sample.volt_code;
    }
    bool started_ = false;
    bool has_start_ = false;
    bool held_ = false;
    Sample last_sample_;
    std::int64_t start_ms_ = 0;
    std::int64_t last_ = 0;
    std::int64_t charge_ = 0;
    std::int64_t energy_ = 0;
    double part_charge_ = 0;
    double part_energy_ = 0;
};

// The figures of the whole series as the readings give them, with the switch-on and off
// of its timeline.
inline PeriodSum period_sum(const Series& series) {
    PeriodSum sum;
    if (series.timeline.on_ms) {
        sum.start_at(*series.timeline.on_ms);
    }
    MeasuredWalk walk(series.unmeasured);
    for (std::size_t k = 0; k < series.samples.size(); ++k) {
        sum.add(series.samples[k], walk.measured(k));
    }
    if (series.timeline.off_ms) {
        sum.stop_at(*series.timeline.off_ms);
    }
    return sum;
}

// The period's charge and energy: the program's own figures when the events file gives
// them, so that the window and the CSV say what the program said; else the readings' sum.
struct Figures {
    double coulombs = 0;
    double joules = 0;
};
inline Figures period_figures(const Series& series) {
    if (series.timeline.figures) {
        return {series.timeline.figures->coulombs, series.timeline.figures->joules};
    }
    const PeriodSum sum = period_sum(series);
    return {sum.coulombs(), sum.joules()};
}

} // namespace kelvo::history
