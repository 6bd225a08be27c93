// A period read back with what the program kept beside its readings: the note lines of its
// silences and of a limit, the events file, the figures they add up to (the meter's own
// count), the CSV of such a period, and the timeline's export on the command line.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/period_sum.h"
#include "history/period_timeline.h"
#include "history/plot_view.h"
#include "history/record_csv.h"
#include "history/record_reader.h"
#include "main/export_command.h"
#include "meter/period_meter.h"
#include "posix/record_io.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <sys/stat.h>

namespace kelvo::history {
namespace {

std::string note(const std::string& from, const std::string& to) {
    return "The supply did not answer from " + from + " to " + to +
           "; the readings logged in that time were not measured.\r\n";
}

// Ten readings, a second apart from 4:10:08, of 5.00 V 0.500 A: the ones at 4:10:12 to
// 4:10:14 logged while the supply was silent (their values stale).
std::string lines(const std::string& suffix = "") {
    std::string body;
    for (int k = 8; k <= 17; ++k) {
        body += "4:10:" + std::string(k < 10 ? "0" : "") + std::to_string(k) + suffix +
                "          05.00V          0.500A\r\n";
    }
    return "KELVO\r\nVersion: 1.0\r\n2026-12-9   4:10:07" + suffix + "\r\n" + body;
}

std::string events_file(const std::string& off_detail) {
    return "time,event,source,detail\r\n"
           "2026-12-09T04:10:07.123+01:00,output on,button,5.00 V 0.500 A\r\n"
           "2026-12-09T04:10:11.400+01:00,supply not answering,COM1,\r\n"
           "2026-12-09T04:10:14.900+01:00,supply answering,COM1,\r\n"
           "2026-12-09T04:10:17.600+01:00,output off,max-time," +
           off_detail + "\r\n";
}

std::vector<SampleRun> runs_of(const Series& s) {
    return s.unmeasured;
}

TEST(RecordNotes, SilencesAndTheLimitAreReadInEitherLanguageAndNoneCountsAsJunk) {
    const Series en = read_record(lines() + note("4:10:12", "4:10:14") +
                                  "Output switched off by a limit: the time limit of 10 s was "
                                  "reached.\r\nSave Path:/r/a.TXT\r\n");
    EXPECT_EQ(en.junk, 0u);
    EXPECT_TRUE(en.saved);
    ASSERT_EQ(runs_of(en), (std::vector<SampleRun>{{4, 3}}));
    EXPECT_TRUE(en.limit_off);
    EXPECT_EQ(en.limit_reason, "the time limit of 10 s was reached");
    EXPECT_TRUE(is_measured(en, 3) && !is_measured(en, 4) && !is_measured(en, 6) &&
                is_measured(en, 7));
    EXPECT_EQ(unmeasured_count(en), 3u);

    // Chinese, twelve-hour times, a span of one line and one of two.
    const Series zh = read_record(
        lines(" PM") +
        "电源在 4:10:09 PM 至 4:10:09 PM 期间没有应答；这段时间记录的读数不是测量值。\r\n" +
        "电源在 4:10:16 PM 至 4:10:17 PM 期间没有应答；这段时间记录的读数不是测量值。\r\n" +
        "输出被限值关闭：达到电量限值 1.000 mAh。\r\n保存路径:/r/b.TXT\r\n");
    EXPECT_EQ(zh.junk, 0u);
    EXPECT_EQ(runs_of(zh), (std::vector<SampleRun>{{1, 1}, {8, 2}}));
    EXPECT_EQ(zh.limit_reason, "达到电量限值 1.000 mAh");

    // A recovered record: its notes before or after the English line of the recovery.
    const std::string recovered =
        "The program ended while the output was on; readings after the line above were lost.\r\n";
    for (const std::string& tail :
         {note("4:10:12", "4:10:14") + recovered, recovered + note("4:10:12", "4:10:14")}) {
        const Series r = read_record(lines() + tail + "Save Path:/r/c.TXT\r\n");
        EXPECT_TRUE(r.recovered);
        EXPECT_EQ(r.junk, 0u);
        EXPECT_EQ(runs_of(r), (std::vector<SampleRun>{{4, 3}}));
    }

    // A note of times no line has, or of no times at all, shows nothing: it is junk.
    const Series odd = read_record(lines() + note("5:00:00", "5:00:01") + note("x", "y") +
                                   "Save Path:/r/d.TXT\r\n");
    EXPECT_TRUE(odd.unmeasured.empty());
    EXPECT_EQ(odd.junk, 2u);
    // Notes out of order or overlapping still give runs in order and apart.
    const Series shuffled =
        read_record(lines() + note("4:10:15", "4:10:16") + note("4:10:09", "4:10:10") +
                    note("4:10:10", "4:10:11") + "Save Path:/r/e.TXT\r\n");
    EXPECT_EQ(runs_of(shuffled), (std::vector<SampleRun>{{1, 3}, {7, 2}}));
    EXPECT_EQ(shuffled.junk, 0u);
}

TEST(RecordNotes, InAPeriodOfDaysTheEventsTellWhichDaysLinesASilenceMeans) {
    // A line every ten minutes for three days: each time of day comes three times.
    std::string body = "KELVO\r\nVersion: 1.0\r\n2026-12-7   0:00:00\r\n";
    for (int k = 1; k <= 3 * 144; ++k) {
        const int t = k * 600 % 86400;
        body += std::to_string(t / 3600) + ":" + (t / 60 % 60 < 10 ? "0" : "") +
                std::to_string(t / 60 % 60) + ":00          05.00V          0.500A\r\n";
    }
    body += note("10:00:00", "10:10:00") + note("10:00:00", "10:00:00") + "Save Path:/r/w.TXT\r\n";
    // Without events: the first lines of that time after the silence named before.
    const Series plain = read_record(body);
    const std::uint32_t day = 144;
    const std::uint32_t ten = 60 - 1; // 10:00 is the 60th line of a day
    EXPECT_EQ(runs_of(plain), (std::vector<SampleRun>{{ten, 2}, {ten + day, 1}}));
    // The events say the first silence was on the second day, the other on the third.
    const std::string events = "time,event,source,detail\r\n"
                               "2026-12-07T00:00:00.000+01:00,output on,button,\r\n"
                               "2026-12-08T09:59:59.500+01:00,supply not answering,COM1,\r\n"
                               "2026-12-09T10:00:01.000+01:00,supply not answering,COM1,\r\n";
    const Series told = read_period(body, events);
    EXPECT_EQ(runs_of(told), (std::vector<SampleRun>{{ten + day, 2}, {ten + 2 * day, 1}}));
    EXPECT_EQ(told.junk, 0u);
}

TEST(PeriodFigures, TheSumCountsAsTheMeterDoes) {
    // Readings a second apart with silences of any length, the switch-on and -off anywhere
    // within their second: the sum of the record and the meter of the program agree.
    std::mt19937 random(7);
    for (int round = 0; round < 50; ++round) {
        Series series;
        const int count = 1 + static_cast<int>(random() % 40);
        const std::int64_t on_ms = random() % 1000;
        PeriodMeter meter;
        meter.start(static_cast<double>(on_ms) / 1000.0);
        for (int k = 0; k < count; ++k) {
            const Sample s{k + 1, static_cast<std::uint16_t>(random() % 3100),
                           static_cast<std::uint16_t>(random() % 5100)};
            const bool measured = random() % 3 != 0;
            series.samples.push_back(s);
            if (!measured) {
                auto& runs = series.unmeasured;
                if (!runs.empty() && runs.back().first + runs.back().count == std::uint32_t(k)) {
                    ++runs.back().count;
                } else {
                    runs.push_back({std::uint32_t(k), 1});
                }
            }
            meter.add(s.seconds, s.volt_code / 100.0, s.amp_code / 1000.0, measured);
        }
        const std::int64_t off_ms =
            std::int64_t{count} * 1000 + static_cast<std::int64_t>(random() % 1000);
        meter.stop(static_cast<double>(off_ms) / 1000.0);
        series.timeline.on_ms = on_ms;
        series.timeline.off_ms = off_ms;
        const PeriodSum sum = period_sum(series);
        EXPECT_NEAR(sum.coulombs(), meter.coulombs(), 1e-9) << round;
        EXPECT_NEAR(sum.joules(), meter.joules(), 1e-7) << round;
    }
}

TEST(PeriodFigures, TheProgramsOwnFiguresAreThePeriodsAndTheSumComesClose) {
    const std::string record = lines() + note("4:10:12", "4:10:14") + "Save Path:/r/a.TXT\r\n";
    // Without an events file: each measured reading for the second before it.
    const Series alone = read_record(record);
    EXPECT_NEAR(period_sum(alone).coulombs(), 3.5, 1e-12); // 7 of the 10 seconds at 0.5 A
    // With it: from the switch-on at .123 and up to the switch-off at .600.
    const Series timed = read_period(record, events_file("garbled"));
    EXPECT_FALSE(timed.timeline.figures);
    EXPECT_EQ(timed.timeline.on_ms, 123);
    EXPECT_EQ(timed.timeline.off_ms, 10600);
    EXPECT_NEAR(period_figures(timed).coulombs, 0.5 * (0.877 + 3 + 1 + 2 + 0.6), 1e-9);
    EXPECT_NEAR(period_figures(timed).joules, 2.5 * (0.877 + 3 + 1 + 2 + 0.6), 1e-9);
    // The output-off row's figures are the period's.
    const Series told = read_period(
        record, events_file("seconds=10.477;charge_mAh=1.0390000;energy_mWh=5.1950000"));
    EXPECT_EQ(charge_text(period_figures(told).coulombs), "1.039 mAh");
    EXPECT_EQ(energy_text(period_figures(told).joules), "5.195 mWh");
}

TEST(PeriodTimeline, EventsAreOrderedAndPlacedAcrossAChangeOfSummerTime) {
    Series series;
    series.start = {2026, 3, 29, 1, 59, 0};
    attach_timeline(series, read_events_file("time,event,source,detail\r\n"
                                             "2026-03-29T03:01:00.250+02:00,output off,button,\r\n"
                                             "2026-03-29T01:59:00.500+01:00,output on,button,\r\n"
                                             "not a row\r\n"));
    ASSERT_EQ(series.timeline.events.size(), 2u);
    EXPECT_EQ(series.timeline.events[0].kind, EventKind::OutputOn);
    EXPECT_EQ(series.timeline.at_ms, (std::vector<std::int64_t>{500, 120250}));
    EXPECT_EQ(series.timeline.off_ms, 120250);

    // A live period hears its events one by one.
    Series live;
    live.start = {2026, 12, 9, 4, 10, 7};
    add_timeline_event(live,
                       {{{2026, 12, 9, 4, 10, 7}, 123, 60}, EventKind::OutputOn, "button", ""});
    add_timeline_event(live,
                       {{{2026, 12, 9, 4, 10, 9}, 0, 60}, EventKind::SupplySilent, "COM1", ""});
    add_timeline_event(live,
                       {{{2026, 12, 9, 4, 10, 8}, 0, 60}, EventKind::VoltageSet, "typed", ""});
    EXPECT_EQ(live.timeline.at_ms, (std::vector<std::int64_t>{123, 1000, 2000}));
    EXPECT_EQ(live.timeline.events[2].kind, EventKind::SupplySilent);
}

TEST(PeriodCsv, SilentRowsHaveNoReadingsAndTheSwitchOffEndsTheTable) {
    const std::string record = lines() + note("4:10:12", "4:10:14") + "Save Path:/r/a.TXT\r\n";
    std::ostringstream plain;
    ASSERT_TRUE(write_csv(read_record(record), plain));
    // The third measured second, then the silence: time and seconds, the figures carried.
    EXPECT_NE(plain.str().find("\n2026-12-09T04:10:11,4,5.00,0.500,2.50000,0.000556,0.002778\n"
                               "2026-12-09T04:10:12,5,,,,0.000556,0.002778\n"
                               "2026-12-09T04:10:13,6,,,,0.000556,0.002778\n"
                               "2026-12-09T04:10:14,7,,,,0.000556,0.002778\n"
                               "2026-12-09T04:10:15,8,5.00,0.500,2.50000,0.000694,0.003472\n"),
              std::string::npos)
        << plain.str();
    const std::string rows = plain.str();
    EXPECT_EQ(std::count(rows.begin(), rows.end(), '\n'), 11);

    std::ostringstream timed;
    ASSERT_TRUE(write_csv(
        read_period(record,
                    events_file("seconds=10.477;charge_mAh=1.0390000;energy_mWh=5.1950000")),
        timed));
    const std::string csv = timed.str();
    EXPECT_EQ(csv.substr(csv.rfind('\n', csv.size() - 2) + 1),
              "2026-12-09T04:10:17.600,10.600,,,,0.001039,0.005195\n");
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 12);
}

TEST(PeriodCsv, ClosingLinesOfTheLiveLogAreRead) {
    Series live = read_record(lines());
    live.unmeasured = {{4, 3}};
    read_closing_lines(lines() + "\r\n" + note("4:10:12", "4:10:14") +
                           "Output switched off by a limit: the time limit of 10 s was reached.\r\n"
                           "Save Path:/r/a.TXT",
                       live);
    EXPECT_TRUE(live.saved);
    EXPECT_EQ(live.path, "/r/a.TXT");
    EXPECT_EQ(live.limit_reason, "the time limit of 10 s was reached");
    EXPECT_EQ(runs_of(live), (std::vector<SampleRun>{{4, 3}}));
    EXPECT_EQ(live.junk, 0u);
}

TEST(PlotView, NoLineRunsThroughASilence) {
    std::vector<Sample> samples(10000, Sample{0, 1000, 500});
    for (std::size_t k = 0; k < samples.size(); ++k) {
        samples[k].seconds = static_cast<std::int32_t>(k);
    }
    const std::vector<SampleRun> silent{{5000, 20}};
    PlotView view;
    for (const int columns : {100, 100000}) { // reduced, and every sample as it is
        make_plot_view(samples, silent, 0, 9999, columns, view);
        const auto gap = std::find_if(view.values[1].begin(), view.values[1].end(),
                                      [](double v) { return std::isnan(v); });
        ASSERT_NE(gap, view.values[1].end()) << columns;
        const std::size_t at = static_cast<std::size_t>(gap - view.values[1].begin());
        EXPECT_EQ(view.seconds[at], 5000) << columns;
        // The points either side are measured ones, before and after the silence.
        EXPECT_LE(view.seconds[at - 1], 4999) << columns;
        const auto next =
            std::find_if(view.values[1].begin() + static_cast<std::ptrdiff_t>(at),
                         view.values[1].end(), [](double v) { return !std::isnan(v); });
        EXPECT_GE(view.seconds[static_cast<std::size_t>(next - view.values[1].begin())], 5020);
    }
    EXPECT_LE(view.seconds.size(), 10000u + 20u);
    // Stale readings of a silence do not raise the axes.
    samples[5005].amp_code = 5000;
    EXPECT_DOUBLE_EQ(series_peaks(samples, silent)[1], 0.5);
}

// The export of a timeline on the command line, in a folder of its own.
class ExportEvents : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "kelvo-events-XXXXXX").string();
        folder = ::mkdtemp(pattern.data());
        record = folder + "/20261294107.TXT";
        write(record, lines() + note("4:10:12", "4:10:14") + "Save Path:" + record + "\r\n");
        const char* tz = std::getenv("TZ");
        saved_tz = tz ? std::optional<std::string>(tz) : std::nullopt;
        ::setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);
        ::tzset();
    }
    void TearDown() override {
        if (saved_tz) {
            ::setenv("TZ", saved_tz->c_str(), 1);
        } else {
            ::unsetenv("TZ");
        }
        ::tzset();
        std::filesystem::remove_all(folder);
    }
    static void write(const std::string& path, const std::string& text) {
        std::ofstream(path, std::ios::binary) << text;
    }
    int run(const std::vector<std::string>& args) {
        out.str({});
        errors.str({});
        return export_events_command(args, out, errors);
    }

    std::string folder;
    std::string record;
    std::optional<std::string> saved_tz;
    std::ostringstream out;
    std::ostringstream errors;
};

TEST_F(ExportEvents, WithoutAnEventsFileTheRecordTellsItsTimeline) {
    ASSERT_EQ(run({record}), 0) << errors.str();
    EXPECT_EQ(out.str(), "time,event,source,detail\r\n"
                         "2026-12-09T04:10:07.000+01:00,output on,,\r\n"
                         "2026-12-09T04:10:12.000+01:00,supply not answering,,\r\n"
                         "2026-12-09T04:10:14.000+01:00,supply answering,,\r\n");
    EXPECT_EQ(posix::local_offset_minutes({2026, 7, 1, 12, 0, 0}), 120);
    // A pipe where the events file would be: not waited on, just none.
    ASSERT_EQ(::mkfifo((folder + "/20261294107.events.csv").c_str(), 0600), 0);
    ASSERT_EQ(run({record, "-"}), 0) << errors.str();
    EXPECT_NE(out.str().find("supply answering"), std::string::npos);
}

TEST_F(ExportEvents, TheEventsFileIsThePeriodsTimeline) {
    write(folder + "/20261294107.events.csv",
          events_file("seconds=10.477;charge_mAh=1.0390000;energy_mWh=5.1950000") +
              "damaged row\r\n");
    const std::string target = folder + "/timeline.csv";
    ASSERT_EQ(run({record, target}), 0) << errors.str();
    EXPECT_TRUE(out.str().empty());
    std::ifstream in(target, std::ios::binary);
    std::stringstream written;
    written << in.rdbuf();
    EXPECT_EQ(written.str(),
              events_file("seconds=10.477;charge_mAh=1.0390000;energy_mWh=5.1950000"));
}

TEST_F(ExportEvents, ExitCodesAndOneLineErrors) {
    const auto said = [this](const std::string& words) {
        const std::string line = errors.str();
        return line.find(words) != std::string::npos &&
               std::count(line.begin(), line.end(), '\n') == 1;
    };
    EXPECT_EQ(run({}), 2);
    EXPECT_TRUE(said("--export-events"));
    EXPECT_EQ(run({record, "a", "b"}), 2);
    EXPECT_EQ(run({folder + "/missing.TXT"}), 1);
    EXPECT_TRUE(said("cannot be read"));
    write(folder + "/notes.TXT", "hello\r\n");
    EXPECT_EQ(run({folder + "/notes.TXT"}), 1);
    EXPECT_TRUE(said("not a record"));
    ASSERT_EQ(::mkfifo((folder + "/pipe.TXT").c_str(), 0600), 0);
    EXPECT_EQ(run({folder + "/pipe.TXT"}), 1);
    EXPECT_TRUE(said("not a regular file"));
    EXPECT_EQ(run({record, folder + "/no/such/folder.csv"}), 3);
    EXPECT_TRUE(said("cannot be written"));
}

} // namespace
} // namespace kelvo::history
