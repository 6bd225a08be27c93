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

void put_row(std::string& row, const Series& series, const Sample& sample, const PeriodSum& sum) {
    const platform::DateTime m = moment_after(series.start, sample.seconds);
    char text[64];
    const int n = std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d,%d,", m.year,
                                m.month, m.day, m.hour, m.minute, m.second, sample.seconds);
    row.append(text, static_cast<std::size_t>(n));
    put_fixed(row, sample.volt_code, 2);
    row += ',';
    put_fixed(row, sample.amp_code, 3);
    row += ',';
    put_fixed(row, std::int64_t{sample.volt_code} * sample.amp_code, 5);
    row += ',';
    put_double(row, sum.coulombs() / 3600.0);
    row += ',';
    put_double(row, sum.joules() / 3600.0);
    row += '\n';
}

} // namespace

bool write_csv(const Series& series, std::ostream& out) {
    std::string block = "time,seconds,voltage_V,current_A,power_W,charge_Ah,energy_Wh\n";
    PeriodSum sum;
    for (const Sample& sample : series.samples) {
        sum.add(sample);
        put_row(block, series, sample, sum);
        // Written in blocks: one call per row would cost more than the rows.
        if (block.size() > 60000) {
            out.write(block.data(), static_cast<std::streamsize>(block.size()));
            block.clear();
        }
    }
    out.write(block.data(), static_cast<std::streamsize>(block.size()));
    out.flush();
    return static_cast<bool>(out);
}

} // namespace kelvo::history
