// The history window on real widgets: a record read from the record folder, its graphs,
// figures and CSV, a file that is not a record, a record with a silence and its events,
// and the live period as it grows.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/texts.h"
#include "main/export_command.h"
#include "qt/tools/history_plot.h"
#include "qt/tools/history_window.h"
#include "qt_fixture.h"

#include <QListWidget>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <sstream>

#include <sys/stat.h>

namespace kelvo::qt::testing {
namespace {

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Where a graph's line breaks off: a run of points without a value.
int gaps_in(const QCPGraph* graph) {
    int gaps = 0;
    bool in_gap = false;
    for (auto it = graph->data()->constBegin(); it != graph->data()->constEnd(); ++it) {
        gaps += std::isnan(it->value) && !in_gap ? 1 : 0;
        in_gap = std::isnan(it->value);
    }
    return gaps;
}

class HistoryWindowTest : public WindowFixture {
protected:
    void SetUp() override {
        make_window();
        std::filesystem::create_directory(folder.file("Record"));
        std::ofstream out(record, std::ios::binary);
        out << "KELVO\r\nVersion: 1.0\r\n2026-12-7   3:50:16 PM\r\n";
        for (int k = 1; k <= 10; ++k) {
            out << "3:50:" << 16 + k << " PM          05.00V          0.500A\r\n";
        }
        out << "Save Path:" << record << "\r\n";
    }
    tools::HistoryWindow& window() {
        if (!history) {
            history = new tools::HistoryWindow(*logic, &form->main_window());
        }
        return *history;
    }
    void open(const std::string& path) {
        window().open_record(QString::fromStdString(path));
        ASSERT_TRUE(wait_until([&] { return !window().loading(); }));
    }

    std::string record = folder.file("Record/2026127155027.TXT");
    tools::HistoryWindow* history = nullptr;
};

TEST_F(HistoryWindowTest, ShowsARecordWithItsFiguresAndExportsTheCommandLinesCsv) {
    window().show();
    ASSERT_EQ(window().records().count(), 2); // the live period, then the record
    EXPECT_EQ(window().records().item(1)->data(Qt::UserRole).toString().toStdString(), record);
    open(record);
    ASSERT_EQ(window().shown().samples.size(), 10u);
    const QCPRange range = window().plot().seconds_shown();
    EXPECT_DOUBLE_EQ(range.lower, 0);
    EXPECT_DOUBLE_EQ(range.upper, 10);
    EXPECT_EQ(window().plot().points_shown(), 10);
    EXPECT_DOUBLE_EQ(window().plot().value_axes()[2]->range().upper, 2.5 * 1.8);
    EXPECT_TRUE(window().summary().contains(QStringLiteral("1.389 mAh")))
        << window().summary().toStdString();
    EXPECT_TRUE(window().summary().contains(QStringLiteral("6.944 mWh")));
    window().plot().point_at(3.8);
    EXPECT_EQ(window().plot().cursor_text(),
              QStringLiteral("2026-12-07 15:50:20   5.00 V   0.500 A   2.500 W"));

    const std::string mine = folder.file("window.csv");
    const std::string theirs = folder.file("command.csv");
    ASSERT_TRUE(window().export_csv(QString::fromStdString(mine)));
    std::ostringstream errors;
    ASSERT_EQ(history::export_csv_command({record, theirs}, errors), 0) << errors.str();
    EXPECT_EQ(slurp(mine), slurp(theirs));
    EXPECT_NE(slurp(mine).find(",10,5.00,0.500,2.50000,0.001389,0.006944\n"), std::string::npos);
    EXPECT_TRUE(window().export_png(QString::fromStdString(folder.file("plot.png"))));
    EXPECT_FALSE(window().export_csv(QString::fromStdString(folder.file("no/such.csv"))));
    EXPECT_EQ(window().status().toStdString(),
              folder.file("no/such.csv") + ": No such file or directory");
    EXPECT_FALSE(window().export_png(QString::fromStdString(folder.file("no/plot.png"))));
    EXPECT_EQ(window().status().toStdString(),
              folder.file("no/plot.png") + ": the image could not be written there");
    // A FIFO under the chosen name: the CSV takes its place, the image is refused; neither
    // waits for a reader.
    const std::string fifo = folder.file("fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_FALSE(window().export_png(QString::fromStdString(fifo)));
    EXPECT_EQ(window().status().toStdString(), fifo + ": it is a FIFO, not a regular file");
    ASSERT_TRUE(window().export_csv(QString::fromStdString(fifo)));
    EXPECT_EQ(slurp(fifo), slurp(theirs));

    // Not a record: said in the window, and the record shown stays.
    open(folder.file("db1.mdb"));
    EXPECT_TRUE(window().status().contains(QStringLiteral("not a record")));
    EXPECT_EQ(window().shown().samples.size(), 10u);
}

TEST_F(HistoryWindowTest, ShowsSilencesAndEventsWithTheProgramsOwnFigures) {
    const std::string silent = folder.file("Record/20261294107.TXT");
    {
        std::ofstream out(silent, std::ios::binary);
        out << "KELVO\r\nVersion: 1.0\r\n2026-12-9   4:10:07\r\n";
        for (int k = 8; k <= 17; ++k) {
            out << "4:10:" << (k < 10 ? "0" : "") << k << "          05.00V          0.500A\r\n";
        }
        out << "The supply did not answer from 4:10:12 to 4:10:14; the readings logged in that "
               "time were not measured.\r\nSave Path:"
            << silent << "\r\n";
        std::ofstream(folder.file("Record/20261294107.events.csv"), std::ios::binary)
            << "time,event,source,detail\r\n"
               "2026-12-09T04:10:07.123+01:00,output on,button,5.00 V 0.500 A\r\n"
               "2026-12-09T04:10:11.400+01:00,supply not answering,COM1,\r\n"
               "2026-12-09T04:10:14.900+01:00,supply answering,COM1,\r\n"
               "2026-12-09T04:10:17.600+01:00,output off,max-time,"
               "seconds=10.477;charge_mAh=1.0390000;energy_mWh=5.1950000\r\n";
    }
    window().show();
    open(silent);
    // The program's figures, not the readings' sum (1.038 mAh).
    EXPECT_TRUE(window().summary().contains(QStringLiteral("Charge 1.039 mAh   Energy 5.195 mWh")))
        << window().summary().toStdString();
    EXPECT_TRUE(window().summary().contains(QStringLiteral("3 readings not measured")));
    tools::HistoryPlot& plot = window().plot();
    EXPECT_NEAR(plot.seconds_shown().upper, 10.6, 1e-3); // up to the switch-off
    // No line through the silent readings: the graphs hold no value for them.
    EXPECT_EQ(gaps_in(plot.graph(1)), 1);
    for (auto it = plot.graph(1)->data()->constBegin(); it != plot.graph(1)->data()->constEnd();
         ++it) {
        EXPECT_TRUE(std::isnan(it->value) || it->value == 0.5) << it->key;
    }
    plot.point_at(6);
    EXPECT_TRUE(plot.cursor_text().contains(QStringLiteral("not measured")));
    // The band: tinted inside the silence, white beside it, low in the plot where no line is
    // (and off the cursor's line, at 6 s).
    const QImage image = plot.toPixmap().toImage();
    const int y = plot.axisRect()->bottom() - plot.axisRect()->height() / 5;
    const QColor inside = image.pixelColor(qRound(plot.xAxis->coordToPixel(plot.time_key(6.5))), y);
    const QColor beside = image.pixelColor(qRound(plot.xAxis->coordToPixel(plot.time_key(2))), y);
    EXPECT_GT(inside.red() - inside.blue(), 20) << inside.name().toStdString();
    EXPECT_LT(std::abs(beside.red() - beside.blue()), 5) << beside.name().toStdString();
    // The marks name their events, in the window's language.
    EXPECT_TRUE(plot.event_tip(4.4).contains(QStringLiteral("Event: supply not answering")));
    EXPECT_TRUE(plot.event_tip(4.4).contains(QStringLiteral("Source: COM1")));
    EXPECT_TRUE(plot.event_tip(10.6).contains(QStringLiteral("charge 1.039 mAh")))
        << plot.event_tip(10.6).toStdString();
    EXPECT_TRUE(plot.event_tip(2).isEmpty());
    logic->english_mode = false;
    window().language_changed(false);
    EXPECT_TRUE(plot.event_tip(4.4).contains(QStringLiteral("事件：电源无应答")))
        << plot.event_tip(4.4).toStdString();
    EXPECT_TRUE(window().summary().contains(QStringLiteral("电量 1.039 mAh")));

    // The window's CSV is the command line's: empty readings, the switch-off row last.
    const std::string mine = folder.file("window.csv");
    const std::string theirs = folder.file("command.csv");
    ASSERT_TRUE(window().export_csv(QString::fromStdString(mine)));
    std::ostringstream errors;
    ASSERT_EQ(history::export_csv_command({silent, theirs}, errors), 0) << errors.str();
    EXPECT_EQ(slurp(mine), slurp(theirs));
    EXPECT_NE(slurp(mine).find("T04:10:13,6,,,,"), std::string::npos);
    EXPECT_NE(slurp(mine).find("T04:10:17.600,10.600,,,,0.001039,0.005195\n"), std::string::npos);
}

TEST_F(HistoryWindowTest, FollowsTheLivePeriodAndTheLanguage) {
    // Opened while a period runs: its silences so far and its events come with it.
    form->Text3.set_text("KELVO\r\nVersion: 1.0\r\n2026-12-7   23:59:57\r\n"
                         "23:59:58          05.00V          0.500A\r\n"
                         "23:59:59          05.00V          0.500A");
    logic->period_meter.start(0);
    logic->silence_spans.line("23:59:58", true);
    logic->silence_spans.line("23:59:59", false);
    logic->period_events = {
        {{{2026, 12, 7, 23, 59, 57}, 500, 60}, EventKind::OutputOn, "button", "5.00 V 0.500 A"}};
    window().show();
    ASSERT_EQ(window().shown().samples.size(), 2u);
    EXPECT_EQ(window().shown().unmeasured, (std::vector<history::SampleRun>{{1, 1}}));
    EXPECT_EQ(window().shown().timeline.on_ms, 500);

    form->Text3.set_text("KELVO\r\nVersion: 1.0\r\n2026-12-7   23:59:58\r\n"
                         "23:59:59          05.00V          0.500A");
    window().period_started({2026, 12, 7, 23, 59, 58});
    ASSERT_EQ(window().shown().samples.size(), 1u);
    EXPECT_TRUE(window().shown().timeline.events.empty());
    platform::Reading reading;
    reading.volts = 10;
    reading.amps = 1.5;
    for (int k = 0; k < 30; ++k) {
        reading.moment = {2026, 12, 8, 0, 0, k};
        reading.measured = k < 10 || k >= 13;
        // The program's figures so far, by its steady clock (a read second of 1.02 s): 0.5 A
        // for the first, then 1.5 A for each measured one.
        reading.coulombs = 0.5 + 1.5 * 1.02 * (k + 1 - std::clamp(k - 9, 0, 3));
        window().reading(reading);
    }
    window().event({{{2026, 12, 8, 0, 0, 10}, 250, 60}, EventKind::SupplySilent, "COM1", ""});
    ASSERT_EQ(window().shown().samples.size(), 31u);
    EXPECT_EQ(window().shown().samples.back().seconds, 31);
    EXPECT_EQ(window().shown().samples.back().amp_code, 1500);
    EXPECT_EQ(window().shown().unmeasured, (std::vector<history::SampleRun>{{11, 3}}));
    // Followed: the newest reading in sight, with at most a fiftieth of the period ahead.
    EXPECT_GE(window().plot().seconds_shown().upper, 31);
    EXPECT_LE(window().plot().seconds_shown().upper, 31 * 1.02 + 1e-3);
    EXPECT_DOUBLE_EQ(window().plot().value_axes()[0]->range().upper, 11);
    EXPECT_EQ(gaps_in(window().plot().graph(0)), 1);
    EXPECT_TRUE(window().plot().event_tip(12.25).contains(QStringLiteral("supply not answering")));
    // What the program counted, to the digit (a recount of the readings gives 11.389 mAh).
    EXPECT_TRUE(window().summary().contains(QStringLiteral("11.614 mAh")))
        << window().summary().toStdString();
    // Readings enough for many to a pixel column: a new one joins the reduced lines as it
    // is, and a silent one breaks them there too.
    for (int k = 30; k < 4000; ++k) {
        reading.moment = history::moment_after({2026, 12, 8, 0, 0, 0}, k);
        reading.measured = k != 3999;
        window().reading(reading);
    }
    EXPECT_EQ(gaps_in(window().plot().graph(0)), 2);

    logic->english_mode = false;
    window().language_changed(false);
    EXPECT_EQ(window().windowTitle(), QString::fromUtf8(texts::kHistoryTitle.zh));
    EXPECT_EQ(window().plot().value_axes()[1]->label(),
              QString::fromUtf8(texts::kHistoryCurrent.zh));
    EXPECT_TRUE(window().plot().event_tip(12.25).contains(QStringLiteral("来源：COM1")));
}

} // namespace
} // namespace kelvo::qt::testing
