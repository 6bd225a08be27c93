// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/plot_view.h"

#include <algorithm>
#include <cmath>

namespace kelvo::history {

namespace {

// The lowest and highest of one reading in one column, and which came first.
struct Extremes {
    unsigned low = 0;
    unsigned high = 0;
    std::size_t low_at = 0;
    std::size_t high_at = 0;
    void start(unsigned value, std::size_t at) {
        low = high = value;
        low_at = high_at = at;
    }
    void take(unsigned value, std::size_t at) {
        if (value < low) {
            low = value;
            low_at = at;
        }
        if (value > high) {
            high = value;
            high_at = at;
        }
    }
};

constexpr std::array<double, 3> kScale{100.0, 1000.0, 100000.0};

std::array<unsigned, 3> codes(const Sample& s) {
    return {s.volt_code, s.amp_code, unsigned{s.volt_code} * s.amp_code};
}

void put_sample(PlotView& view, const Sample& s) {
    view.seconds.push_back(s.seconds);
    const std::array<unsigned, 3> c = codes(s);
    for (std::size_t k = 0; k < 3; ++k) {
        view.values[k].push_back(c[k] / kScale[k]);
    }
}

// Two points for a column: each reading's extremes in the order they came.
void put_column(PlotView& view, const std::array<Extremes, 3>& e, double first, double last) {
    view.seconds.push_back(first);
    view.seconds.push_back(last);
    for (std::size_t k = 0; k < 3; ++k) {
        const bool low_first = e[k].low_at <= e[k].high_at;
        view.values[k].push_back((low_first ? e[k].low : e[k].high) / kScale[k]);
        view.values[k].push_back((low_first ? e[k].high : e[k].low) / kScale[k]);
    }
}

} // namespace

void make_plot_view(const std::vector<Sample>& samples, double from, double to, int columns,
                    PlotView& view) {
    view.seconds.clear();
    for (std::vector<double>& v : view.values) {
        v.clear();
    }
    const auto before = [](const Sample& s, double t) { return s.seconds < t; };
    const auto after = [](double t, const Sample& s) { return t < s.seconds; };
    auto first = std::lower_bound(samples.begin(), samples.end(), from, before);
    auto last = std::upper_bound(first, samples.end(), to, after);
    first -= first != samples.begin() ? 1 : 0;
    last += last != samples.end() ? 1 : 0;
    const auto count = static_cast<std::size_t>(last - first);
    columns = std::max(columns, 1);
    if (count <= 2 * static_cast<std::size_t>(columns) || !(to > from)) {
        std::for_each(first, last, [&view](const Sample& s) { put_sample(view, s); });
        return;
    }
    const double width = (to - from) / columns;
    std::array<Extremes, 3> extremes;
    double column_end = -1e300; // where the current column ends: a compare per sample
    double column_first = 0;
    double column_last = 0;
    for (auto it = first; it != last; ++it) {
        const auto at = static_cast<std::size_t>(it - first);
        const std::array<unsigned, 3> v = codes(*it);
        if (it->seconds >= column_end) {
            if (it != first) {
                put_column(view, extremes, column_first, column_last);
            }
            for (std::size_t k = 0; k < 3; ++k) {
                extremes[k].start(v[k], at);
            }
            column_end = from + (std::floor((it->seconds - from) / width) + 1) * width;
            column_first = it->seconds;
        } else {
            for (std::size_t k = 0; k < 3; ++k) {
                extremes[k].take(v[k], at);
            }
        }
        column_last = it->seconds;
    }
    put_column(view, extremes, column_first, column_last);
}

std::array<double, 3> series_peaks(const std::vector<Sample>& samples) {
    std::array<unsigned, 3> high{};
    for (const Sample& s : samples) {
        const std::array<unsigned, 3> c = codes(s);
        for (std::size_t k = 0; k < 3; ++k) {
            high[k] = std::max(high[k], c[k]);
        }
    }
    return {high[0] / kScale[0], high[1] / kScale[1], high[2] / kScale[2]};
}

} // namespace kelvo::history
