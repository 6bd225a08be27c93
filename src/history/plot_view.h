// history/: what the graphs are given of a series: at most two points per pixel column of
// the visible time range, the lowest and the highest of each reading there, so that a week
// of readings draws as fast as a minute and the plot never holds a copy of them all.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "history/record_reader.h"

#include <array>
#include <vector>

namespace kelvo::history {

struct PlotView {
    std::vector<double> seconds;
    // Volts, amperes, watts at each of those times.
    std::array<std::vector<double>, 3> values;
};

// The samples between `from` and `to` (seconds), and one more on each side so that the
// lines run on to the edges, reduced to `columns` pixel columns when there are more than
// two samples per column. A reading that was not measured gives no value (NaN: the graph
// leaves a gap there), and no column reaches over one. `view` keeps its storage from one
// call to the next.
void make_plot_view(const std::vector<Sample>& samples, const std::vector<SampleRun>& unmeasured,
                    double from, double to, int columns, PlotView& view);
inline void make_plot_view(const std::vector<Sample>& samples, double from, double to, int columns,
                           PlotView& view) {
    make_plot_view(samples, {}, from, to, columns, view);
}

// The highest volts, amperes and watts of a series' measured readings (for the axes).
std::array<double, 3> series_peaks(const std::vector<Sample>& samples,
                                   const std::vector<SampleRun>& unmeasured = {});

inline double volts_of(const Sample& s) {
    return s.volt_code / 100.0;
}
inline double amps_of(const Sample& s) {
    return s.amp_code / 1000.0;
}
inline double watts_of(const Sample& s) {
    return static_cast<double>(unsigned{s.volt_code} * s.amp_code) / 100000.0;
}

} // namespace kelvo::history
