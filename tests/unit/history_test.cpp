// Records read back: the reader on every ending a record can have, the CSV with the
// period's figures, and the reduced view the graphs get.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/period_sum.h"
#include "history/plot_view.h"
#include "history/record_csv.h"
#include "history/record_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>

namespace kelvo::history {
namespace {

std::string record(const std::string& date_line, const std::string& body) {
    return "KELVO\r\nVersion: 1.0\r\n" + date_line + "\r\n" + body;
}

TEST(RecordReader, ReadsTimesAcrossLocalesAndMidnight) {
    const Series s = read_record(record("2026-12-31   11:59:58 PM",
                                        "11:59:59 PM          12.00V          1.200A\r\n"
                                        "12:00:00 AM          12.34V          0.567A\r\n"
                                        "12:00:01 AM          00.00V          0.000A\r\n"
                                        "Save Path:/r/2027101.TXT\r\n"));
    EXPECT_EQ(s.error, ReadError::None);
    EXPECT_EQ(s.start.year, 2026);
    EXPECT_EQ(s.start.hour, 23);
    ASSERT_EQ(s.samples.size(), 3u);
    EXPECT_EQ(s.samples[0].seconds, 1);
    EXPECT_EQ(s.samples[1].seconds, 2);
    EXPECT_EQ(s.samples[2].seconds, 3);
    EXPECT_EQ(s.samples[1].volt_code, 1234);
    EXPECT_EQ(s.samples[1].amp_code, 567);
    EXPECT_TRUE(s.saved);
    EXPECT_FALSE(s.cut);
    EXPECT_EQ(s.path, "/r/2027101.TXT");
    EXPECT_EQ(s.junk, 0u);

    EXPECT_EQ(time_of_day("下午3:50:17"), 15 * 3600 + 50 * 60 + 17);
    EXPECT_EQ(time_of_day("上午12:00:05"), 5);
    EXPECT_EQ(time_of_day("15.50.17"), time_of_day("15:50:17"));
    for (const char* bad : {"25:00:00", "3:50 PM", "13:50:17 PM", "1:2:3:4", "123:00:00"}) {
        EXPECT_EQ(time_of_day(bad), -1) << bad;
    }
    // The clock set back an hour: the readings still go on, a second apart.
    const Series back =
        read_record(record("2026-10-25   2:59:58", "2:59:59          01.00V          1.000A\r\n"
                                                   "2:00:00          01.00V          1.000A\r\n"));
    ASSERT_EQ(back.samples.size(), 2u);
    EXPECT_EQ(back.samples[1].seconds, 2);
}

TEST(RecordReader, TellsHowTheRecordEnds) {
    const std::string readings = "15:50:17          12.00V          1.200A\r\n"
                                 "garbage line\r\n"
                                 "15:50:18          12.00V          x.200A\r\n"
                                 "15:50:19          12.00V          1.200A\r\n";
    const Series zh =
        read_record(record("2026-12-7   15:50:16", readings + "保存路径:/r/a.TXT\r\n"));
    EXPECT_TRUE(zh.saved);
    EXPECT_EQ(zh.path, "/r/a.TXT");
    EXPECT_EQ(zh.samples.size(), 2u);
    EXPECT_EQ(zh.junk, 2u);

    const Series recovered = read_record(record(
        "2026-12-7   15:50:16",
        readings + "The program ended while the output was on; readings after the line above were "
                   "lost.\r\nSave Path:/r/b.TXT\r\n"));
    EXPECT_TRUE(recovered.recovered);
    EXPECT_TRUE(recovered.saved);

    for (const char* note : {"Record NOT saved: /r: full", "记录未保存: /r: full"}) {
        const Series lost = read_record(record("2026-12-7   15:50:16", readings + note));
        EXPECT_TRUE(lost.not_saved) << note;
        EXPECT_EQ(lost.reason, "/r: full");
        EXPECT_FALSE(lost.saved || lost.cut);
    }
    // Cut inside a line: the torn line is neither a reading nor junk.
    const Series cut = read_record(record("2026-12-7   15:50:16", readings + "15:50:20     12.0"));
    EXPECT_TRUE(cut.cut);
    EXPECT_EQ(cut.samples.size(), 2u);
    EXPECT_EQ(cut.junk, 2u);
    // The log of a running period: the last reading has no line end yet.
    const Series live = read_record(record("2026-12-7   15:50:16", readings.substr(0, 40)));
    EXPECT_EQ(live.samples.size(), 1u);
    EXPECT_TRUE(live.cut);

    EXPECT_EQ(read_record("").error, ReadError::NotRecord);
    EXPECT_EQ(read_record("hello\r\n2026-12-7   15:50:16\r\n").error, ReadError::NotRecord);
    EXPECT_EQ(read_record("KELVO\r\nVersion: 1.0\r\n").error, ReadError::NoDateLine);
    EXPECT_EQ(read_record("KELVO\r\nVersion: 1.0\r\n2026-13-7   15:50:16\r\n").error,
              ReadError::NoDateLine);
}

TEST(RecordReader, ChunksMakeNoDifference) {
    const std::string text =
        record("2026-12-7   15:50:16", "15:50:17          12.00V          1.200A\r\n"
                                       "15:50:18          12.50V          1.300A\r\n"
                                       "Save Path:/r/a.TXT\r\n");
    RecordReader reader;
    for (const char c : text) {
        reader.feed(std::string_view(&c, 1));
    }
    reader.finish();
    const Series whole = read_record(text);
    const Series bytes = reader.take();
    ASSERT_EQ(bytes.samples.size(), whole.samples.size());
    EXPECT_EQ(bytes.samples[1].volt_code, 1250);
    EXPECT_EQ(bytes.path, whole.path);
}

TEST(RecordCsv, RowsWithThePeriodsFigures) {
    std::string body;
    for (int k = 1; k <= 10; ++k) {
        const std::string time = k < 10 ? "23:59:5" + std::to_string(k) : "0:00:00";
        body += time + "          05.00V          0.500A\r\n";
    }
    const Series s = read_record(record("2026-12-31   23:59:50", body));
    ASSERT_EQ(s.samples.size(), 10u);
    const PeriodSum sum = period_sum(s);
    EXPECT_DOUBLE_EQ(sum.coulombs(), 5.0);
    EXPECT_DOUBLE_EQ(sum.joules(), 25.0);
    // A first reading in the date line's own second still stands for a second.
    const Series same =
        read_record(record("2026-12-7   15:50:16", "15:50:16          05.00V          0.500A\r\n"));
    EXPECT_DOUBLE_EQ(period_sum(same).coulombs(), 0.5);

    std::ostringstream out;
    ASSERT_TRUE(write_csv(s, out));
    const std::string csv = out.str();
    EXPECT_EQ(csv.substr(0, csv.find('\n')),
              "time,seconds,voltage_V,current_A,power_W,charge_Ah,energy_Wh");
    EXPECT_NE(csv.find("\n2026-12-31T23:59:51,1,5.00,0.500,2.50000,0.000139,0.000694\n"),
              std::string::npos);
    const std::string last = csv.substr(csv.rfind('\n', csv.size() - 2) + 1);
    EXPECT_EQ(last, "2027-01-01T00:00:00,10,5.00,0.500,2.50000,0.001389,0.006944\n");
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 11);
}

TEST(PlotView, FewPointsKeepEveryExtreme) {
    std::vector<Sample> samples;
    samples.reserve(100000);
    for (int k = 0; k < 100000; ++k) {
        samples.push_back({k, 1000, static_cast<std::uint16_t>(k == 54321 ? 5000 : 100)});
    }
    PlotView view;
    make_plot_view(samples, 1000, 99000, 500, view);
    EXPECT_LE(view.seconds.size(), 2u * 502u);
    EXPECT_LE(view.seconds.front(), 1000);
    EXPECT_GE(view.seconds.back(), 99000);
    EXPECT_TRUE(std::is_sorted(view.seconds.begin(), view.seconds.end()));
    EXPECT_DOUBLE_EQ(*std::max_element(view.values[1].begin(), view.values[1].end()), 5.0);
    EXPECT_DOUBLE_EQ(*std::max_element(view.values[2].begin(), view.values[2].end()), 50.0);
    EXPECT_DOUBLE_EQ(*std::min_element(view.values[1].begin(), view.values[1].end()), 0.1);
    // Zoomed in to a few samples: each as it is.
    make_plot_view(samples, 54320, 54322, 500, view);
    EXPECT_EQ(view.seconds, (std::vector<double>{54319, 54320, 54321, 54322, 54323}));
    EXPECT_DOUBLE_EQ(series_peaks(samples)[2], 50.0);
}

} // namespace
} // namespace kelvo::history
