// The history window on real widgets: a record read from the record folder, its graphs,
// figures and CSV, a file that is not a record, and the live period as it grows.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/texts.h"
#include "extra/history_plot.h"
#include "extra/history_window.h"
#include "history/export_command.h"
#include "qt_fixture.h"

#include <QListWidget>

#include <fstream>
#include <sstream>

namespace kelvo::qt::testing {
namespace {

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

class HistoryWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        form = std::make_unique<QtForm>(folder.path());
        logic = std::make_unique<Form1>(form->controls());
        logic->Form_Load();
        std::filesystem::create_directory(folder.file("Record"));
        std::ofstream out(record, std::ios::binary);
        out << "KELVO\r\nVersion: 1.0\r\n2026-12-7   3:50:16 PM\r\n";
        for (int k = 1; k <= 10; ++k) {
            out << "3:50:" << 16 + k << " PM          05.00V          0.500A\r\n";
        }
        out << "Save Path:" << record << "\r\n";
    }
    void TearDown() override {
        logic.reset();
        form.reset();
    }
    extra::HistoryWindow& window() {
        if (!history) {
            history = new extra::HistoryWindow(*logic, &form->main_window());
        }
        return *history;
    }
    void open(const std::string& path) {
        window().open_record(QString::fromStdString(path));
        ASSERT_TRUE(wait_until([&] { return !window().loading(); }));
    }

    ProgramFolder folder;
    std::string record = folder.file("Record/2026127155027.TXT");
    std::unique_ptr<QtForm> form;
    std::unique_ptr<Form1> logic;
    extra::HistoryWindow* history = nullptr;
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

    // Not a record: said in the window, and the record shown stays.
    open(folder.file("db1.mdb"));
    EXPECT_TRUE(window().status().contains(QStringLiteral("not a record")));
    EXPECT_EQ(window().shown().samples.size(), 10u);
}

TEST_F(HistoryWindowTest, FollowsTheLivePeriodAndTheLanguage) {
    form->Text3.set_text("KELVO\r\nVersion: 1.0\r\n2026-12-7   23:59:58\r\n"
                         "23:59:59          05.00V          0.500A");
    window().period_started({2026, 12, 7, 23, 59, 58});
    ASSERT_EQ(window().shown().samples.size(), 1u);
    platform::Reading reading;
    reading.volts = 10;
    reading.amps = 1.5;
    for (int k = 0; k < 30; ++k) {
        reading.moment = {2026, 12, 8, 0, 0, k};
        window().reading(reading);
    }
    ASSERT_EQ(window().shown().samples.size(), 31u);
    EXPECT_EQ(window().shown().samples.back().seconds, 31);
    EXPECT_EQ(window().shown().samples.back().amp_code, 1500);
    // Followed: the newest reading in sight, with at most a fiftieth of the period ahead.
    EXPECT_GE(window().plot().seconds_shown().upper, 31);
    EXPECT_LE(window().plot().seconds_shown().upper, 31 * 1.02 + 1e-3);
    EXPECT_DOUBLE_EQ(window().plot().value_axes()[0]->range().upper, 11);
    // 0.5 A for a second, then 1.5 A for 30: 45.5 C.
    EXPECT_TRUE(window().summary().contains(QStringLiteral("12.639 mAh")))
        << window().summary().toStdString();

    logic->english_mode = false;
    window().language_changed(false);
    EXPECT_EQ(window().windowTitle(), QString::fromUtf8(texts::kHistoryTitle.zh));
    EXPECT_EQ(window().plot().value_axes()[1]->label(),
              QString::fromUtf8(texts::kHistoryCurrent.zh));
}

} // namespace
} // namespace kelvo::qt::testing
