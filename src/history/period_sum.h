// history/: the charge and energy of a recorded period, reading by reading, counted in
// whole units of the readings (1 mA x 1 s, 10 mV x 1 mA x 1 s) so that a week adds up
// without rounding.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "history/record_reader.h"

#include <algorithm>
#include <cstdint>

namespace kelvo::history {

// Each reading stands for the time since the reading before it. The first stands for the
// time since the date line, but at least a second: record times are whole seconds and the
// supply is read once a second. Nothing after the last reading: a record does not say when
// the output went off.
class PeriodSum {
public:
    void add(const Sample& sample) {
        const std::int64_t span =
            started_ ? std::max<std::int64_t>(0, std::int64_t{sample.seconds} - last_)
                     : std::max<std::int64_t>(1, sample.seconds);
        started_ = true;
        last_ = sample.seconds;
        charge_ += span * sample.amp_code;
        energy_ += span * sample.amp_code * std::int64_t{sample.volt_code};
    }
    double coulombs() const { return static_cast<double>(charge_) / 1000.0; }
    double joules() const { return static_cast<double>(energy_) / 100000.0; }

private:
    bool started_ = false;
    std::int32_t last_ = 0;
    std::int64_t charge_ = 0;
    std::int64_t energy_ = 0;
};

// The figures of the whole series.
inline PeriodSum period_sum(const Series& series) {
    PeriodSum sum;
    for (const Sample& sample : series.samples) {
        sum.add(sample);
    }
    return sum;
}

} // namespace kelvo::history
