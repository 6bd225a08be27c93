// The record reader on any bytes a file may hold: no crash, the same series whether the
// bytes come at once or in pieces, readings in time order, a CSV row for each, and a line
// beyond the bound making no record.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/record_reader.h"
#include "check.h"
#include "history/period_sum.h"
#include "history/plot_view.h"
#include "history/record_csv.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string_view>

using namespace kelvo::history;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    const std::string_view data(reinterpret_cast<const char*>(bytes), size);
    const Series whole = read_record(data);

    // Pieces cut where the first byte says.
    RecordReader reader;
    const std::size_t step = size > 0 ? std::size_t{bytes[0]} % 17 + 1 : 1;
    for (std::size_t at = 0; at < size; at += step) {
        reader.feed(data.substr(at, step));
    }
    reader.finish();
    const Series pieces = reader.take();
    KELVO_FUZZ_REQUIRE(pieces.error == whole.error);
    KELVO_FUZZ_REQUIRE(pieces.samples.size() == whole.samples.size());
    KELVO_FUZZ_REQUIRE(pieces.junk == whole.junk && pieces.path == whole.path);
    KELVO_FUZZ_REQUIRE(pieces.saved == whole.saved && pieces.cut == whole.cut);
    KELVO_FUZZ_REQUIRE(pieces.line_too_long == whole.line_too_long);

    // A line beyond the bound makes any bytes no record (when an earlier line has not made
    // them none already), and only such a line is said to.
    std::size_t longest = 0;
    for (std::size_t from = 0; from <= size;) {
        const std::size_t end = std::min(data.find('\n', from), size);
        longest = std::max(longest, end - from);
        from = end + 1;
    }
    KELVO_FUZZ_REQUIRE(!whole.line_too_long || longest > RecordReader::kLineLimit);
    KELVO_FUZZ_REQUIRE(!whole.line_too_long || whole.error == ReadError::NotRecord);
    KELVO_FUZZ_REQUIRE(longest <= RecordReader::kLineLimit || whole.error != ReadError::None);

    if (whole.error != ReadError::None) {
        KELVO_FUZZ_REQUIRE(whole.samples.empty());
        return 0;
    }
    KELVO_FUZZ_REQUIRE(
        std::is_sorted(whole.samples.begin(), whole.samples.end(),
                       [](const Sample& a, const Sample& b) { return a.seconds < b.seconds; }));
    KELVO_FUZZ_REQUIRE(whole.samples.empty() || whole.samples.front().seconds >= 0);
    const PeriodSum sum = period_sum(whole);
    KELVO_FUZZ_REQUIRE(sum.coulombs() >= 0 && sum.joules() >= 0);

    std::ostringstream csv;
    KELVO_FUZZ_REQUIRE(write_csv(whole, csv));
    const std::string text = csv.str();
    KELVO_FUZZ_REQUIRE(static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) ==
                       whole.samples.size() + 1);

    PlotView view;
    make_plot_view(whole.samples, 0, 100, 10, view);
    KELVO_FUZZ_REQUIRE(view.seconds.size() <= std::max<std::size_t>(24, whole.samples.size()));
    return 0;
}
