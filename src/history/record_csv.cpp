// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/record_csv.h"

#include "history/period_sum.h"

#include <charconv>
#include <cstdio>
#include <string>

namespace kelvo::history {

namespace {

// A whole count of a last place as a decimal: 1200 with 3 places gives "1.200".
void put_fixed(std::string& row, std::int64_t value, int places) {
    std::int64_t scale = 1;
    for (int k = 0; k < places; ++k) {
        scale *= 10;
    }
    char text[48];
    const int n =
        std::snprintf(text, sizeof text, "%lld.%0*lld", static_cast<long long>(value / scale),
                      places, static_cast<long long>(value % scale));
    row.append(text, static_cast<std::size_t>(n));
}

void put_double(std::string& row, double value) {
    char text[64];
    const auto end = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, 6);
    row.append(text, end.ptr);
}

void put_time(std::string& row, const Series& series, std::int64_t seconds) {
    const DateTime m = moment_after(series.start, seconds);
    char text[64];
    const int n = std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d", m.year, m.month,
                                m.day, m.hour, m.minute, m.second);
    row.append(text, static_cast<std::size_t>(n));
}

void put_figures(std::string& row, double coulombs, double joules) {
    put_double(row, coulombs / 3600.0);
    row += ',';
    put_double(row, joules / 3600.0);
    row += '\n';
}

void put_row(std::string& row, const Series& series, const Sample& sample, bool measured,
             const PeriodSum& sum) {
    put_time(row, series, sample.seconds);
    row += ',';
    row += std::to_string(sample.seconds);
    row += ',';
    // Not measured: the time is kept, the stale readings are not given as values.
    if (measured) {
        put_fixed(row, sample.volt_code, 2);
        row += ',';
        put_fixed(row, sample.amp_code, 3);
        row += ',';
        put_fixed(row, std::int64_t{sample.volt_code} * sample.amp_code, 5);
        row += ',';
    } else {
        row += ",,,";
    }
    put_figures(row, sum.coulombs(), sum.joules());
}

// The switch-off, to the millisecond, with the period's final figures.
void put_off_row(std::string& row, const Series& series, std::int64_t ms, const Figures& f) {
    const std::int64_t whole = ms >= 0 ? ms / 1000 : -((-ms + 999) / 1000);
    const std::int64_t part = ms - whole * 1000;
    put_time(row, series, whole);
    char text[48];
    const int n =
        std::snprintf(text, sizeof text, ".%03lld,%lld.%03lld,,,,", static_cast<long long>(part),
                      static_cast<long long>(whole), static_cast<long long>(part));
    row.append(text, static_cast<std::size_t>(n));
    put_figures(row, f.coulombs, f.joules);
}

} // namespace

bool write_csv(const Series& series, std::ostream& out) {
    std::string block = "time,seconds,voltage_V,current_A,power_W,charge_Ah,energy_Wh\n";
    PeriodSum sum;
    if (series.timeline.on_ms) {
        sum.start_at(*series.timeline.on_ms);
    }
    MeasuredWalk walk(series.unmeasured);
    for (std::size_t k = 0; k < series.samples.size(); ++k) {
        const Sample& sample = series.samples[k];
        const bool measured = walk.measured(k);
        sum.add(sample, measured);
        put_row(block, series, sample, measured, sum);
        // Written in blocks: one call per row would cost more than the rows.
        if (block.size() > 60000) {
            out.write(block.data(), static_cast<std::streamsize>(block.size()));
            block.clear();
        }
    }
    if (const std::optional<std::int64_t> off = series.timeline.off_ms) {
        sum.stop_at(*off);
        const Figures figures = series.timeline.figures ? Figures{series.timeline.figures->coulombs,
                                                                  series.timeline.figures->joules}
                                                        : Figures{sum.coulombs(), sum.joules()};
        put_off_row(block, series, *off, figures);
    }
    out.write(block.data(), static_cast<std::streamsize>(block.size()));
    out.flush();
    return static_cast<bool>(out);
}

} // namespace kelvo::history
