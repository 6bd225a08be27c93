// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/plot_view.h"

#include <algorithm>
#include <cmath>
#include <limits>

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

void put_gap(PlotView& view, double seconds) {
    view.seconds.push_back(seconds);
    for (std::vector<double>& v : view.values) {
        v.push_back(std::numeric_limits<double>::quiet_NaN());
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

namespace {

// The reduction: a column ends at its pixel's edge or where a silence begins, so that a gap
// is never bridged by a column's stroke.
class Columns {
public:
    Columns(PlotView& view, double from, double width) : view_(view), from_(from), width_(width) {}
    void measured(const Sample& s, std::size_t at) {
        const std::array<unsigned, 3> v = codes(s);
        if (!open_ || s.seconds >= end_) {
            flush();
            for (std::size_t k = 0; k < 3; ++k) {
                extremes_[k].start(v[k], at);
            }
            end_ = from_ + (std::floor((s.seconds - from_) / width_) + 1) * width_;
            first_ = s.seconds;
            open_ = true;
        } else {
            for (std::size_t k = 0; k < 3; ++k) {
                extremes_[k].take(v[k], at);
            }
        }
        last_ = s.seconds;
        in_gap_ = false;
    }
    void unmeasured(const Sample& s) {
        flush();
        if (!in_gap_) {
            put_gap(view_, s.seconds);
            in_gap_ = true;
        }
    }
    void flush() {
        if (open_) {
            put_column(view_, extremes_, first_, last_);
            open_ = false;
        }
    }

private:
    PlotView& view_;
    double from_;
    double width_;
    std::array<Extremes, 3> extremes_;
    bool open_ = false;
    bool in_gap_ = false;
    double end_ = 0;
    double first_ = 0;
    double last_ = 0;
};

} // namespace

void make_plot_view(const std::vector<Sample>& samples, const std::vector<SampleRun>& unmeasured,
                    double from, double to, int columns, PlotView& view) {
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
    const auto start = static_cast<std::size_t>(first - samples.begin());
    MeasuredWalk walk(unmeasured, start);
    columns = std::max(columns, 1);
    if (count <= 2 * static_cast<std::size_t>(columns) || !(to > from)) {
        for (std::size_t i = start; i < start + count; ++i) {
            if (walk.measured(i)) {
                put_sample(view, samples[i]);
            } else {
                put_gap(view, samples[i].seconds);
            }
        }
        return;
    }
    Columns reduced(view, from, (to - from) / columns);
    for (std::size_t i = start; i < start + count; ++i) {
        if (walk.measured(i)) {
            reduced.measured(samples[i], i - start);
        } else {
            reduced.unmeasured(samples[i]);
        }
    }
    reduced.flush();
}

std::array<double, 3> series_peaks(const std::vector<Sample>& samples,
                                   const std::vector<SampleRun>& unmeasured) {
    std::array<unsigned, 3> high{};
    MeasuredWalk walk(unmeasured);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        if (!walk.measured(i)) {
            continue;
        }
        const std::array<unsigned, 3> c = codes(samples[i]);
        for (std::size_t k = 0; k < 3; ++k) {
            high[k] = std::max(high[k], c[k]);
        }
    }
    return {high[0] / kScale[0], high[1] / kScale[1], high[2] / kScale[2]};
}

} // namespace kelvo::history
