// The run's picture and report on real widgets: a program run's record gets a valid PNG of
// its plot beside it, a manual one none; a link, a FIFO or a file planted at the picture's
// name is refused and left as it was; the history window shows the report of the record
// chosen, in the window's language.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/run_report.h"
#include "qt/tools/history_window.h"
#include "qt/tools/run_report_image.h"
#include "qt_fixture.h"

#include <QImage>
#include <QListWidget>
#include <QTabWidget>

#include <filesystem>
#include <fstream>
#include <sys/stat.h>

namespace kelvo::qt::testing {
namespace {

const char* const kImageEvents =
    "time,event,source,detail\r\n"
    "2026-12-09T04:10:07.100+01:00,output on,run,\r\n"
    "2026-12-09T04:10:07.200+01:00,step begun,step 1,pass 1: 5.00 V 1.000 A 3 s\r\n"
    "2026-12-09T04:10:10.200+01:00,step ended,step 1,seconds: 3 s\r\n"
    "2026-12-09T04:10:10.200+01:00,step begun,step 2,pass 1: 3.00 V 1.000 A 3 s\r\n"
    "2026-12-09T04:10:13.200+01:00,step ended,step 2,run ended: stop after 3 s\r\n"
    "2026-12-09T04:10:13.200+01:00,output off,stop,"
    "seconds=6.100;charge_mAh=1.0000000;energy_mWh=4.0000000\r\n";

class RunReportImageTest : public WindowFixture {
protected:
    void SetUp() override {
        make_window();
        std::filesystem::create_directory(folder.file("Record"));
        std::ofstream out(record, std::ios::binary);
        out << "KELVO\r\nVersion: 1.0\r\n2026-12-9   4:10:07\r\n";
        for (int k = 1; k <= 6; ++k) {
            out << "4:10:" << (7 + k < 10 ? "0" : "") << 7 + k << "          "
                << (k <= 3 ? "05.00" : "03.00") << "V          0.500A\r\n";
        }
        out << "Save Path:" << record << "\r\n";
        std::ofstream(events_path_of(record), std::ios::binary) << kImageEvents;
        image = new tools::RunReportImage(&form->main_window(), *logic);
    }

    std::string record = folder.file("Record/2026129410.TXT");
    std::string png = history::report_image_path_of(record);
    tools::RunReportImage* image = nullptr;
};

TEST_F(RunReportImageTest, AProgramRunGetsAValidPictureOfItsPlotAManualOneNone) {
    image->record_saved(record, false);
    QCoreApplication::processEvents();
    EXPECT_FALSE(std::filesystem::exists(png));

    image->record_saved(record, true);
    ASSERT_TRUE(wait_until([&] { return std::filesystem::exists(png); }));
    const QImage read(QString::fromStdString(png), "PNG");
    ASSERT_FALSE(read.isNull());
    EXPECT_EQ(read.width(), tools::RunReportImage::kWidth);
    EXPECT_EQ(read.height(), tools::RunReportImage::kHeight);
    // Drawn, not blank: the graphs' colours are there beside the background's.
    QSet<QRgb> colours;
    for (int y = 0; y < read.height(); y += 3) {
        for (int x = 0; x < read.width(); x += 3) {
            colours.insert(read.pixel(x, y));
        }
    }
    EXPECT_GT(colours.size(), 8) << colours.size();
    // Never a second time over the first.
    EXPECT_NE(image->write_image(record), "");
}

TEST_F(RunReportImageTest, APlantedNameIsRefusedAndLeftAsItWas) {
    const std::string target = folder.file("elsewhere.png");
    std::ofstream(target) << "keep";
    std::filesystem::create_symlink(target, png);
    EXPECT_NE(image->write_image(record), "");
    EXPECT_TRUE(std::filesystem::is_symlink(png));
    std::ifstream kept(target);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), "keep");

    std::filesystem::remove(png);
    ASSERT_EQ(::mkfifo(png.c_str(), 0600), 0); // refused at once, never opened
    EXPECT_NE(image->write_image(record), "");
    EXPECT_TRUE(std::filesystem::is_fifo(png));
    // A record gone meanwhile: said, nothing written.
    EXPECT_NE(image->write_image(folder.file("Record/none.TXT")), "");
    EXPECT_FALSE(
        std::filesystem::exists(history::report_image_path_of(folder.file("Record/none.TXT"))));
}

TEST_F(RunReportImageTest, TheHistoryWindowShowsTheReportOfTheRecordInTheWindowsLanguage) {
    form->Combo3.set_selected_index(1);
    std::ofstream(history::report_path_of(record)) << "Run report\n";
    auto* window = new tools::HistoryWindow(*logic, &form->main_window());
    // The live period and the record: the report beside it is no record of its own.
    EXPECT_EQ(window->records().count(), 2);
    window->open_record(QString::fromStdString(record));
    ASSERT_TRUE(wait_until([&] { return !window->loading(); }));
    const std::string en = window->report().toStdString();
    EXPECT_EQ(en.rfind("Run report\nStart: 2026-12-09 04:10:07\n", 0), 0u) << en;
    EXPECT_NE(en.find("step 2 from 04:10:10: pass 1: 3.00 V 1.000 A 3 s"), std::string::npos) << en;
    EXPECT_NE(en.find("Voltage: lowest 3.00 V, highest 5.00 V"), std::string::npos) << en;
    EXPECT_EQ(window->tabs().tabText(1).toStdString(), "Report");
    form->Combo3.set_selected_index(0);
    const std::string zh = window->report().toStdString();
    EXPECT_EQ(zh.rfind("运行报告\n", 0), 0u) << zh;
    EXPECT_NE(zh.find("运行结束原因：停止按钮"), std::string::npos) << zh;
    EXPECT_EQ(window->tabs().tabText(1).toStdString(), "报告");
    EXPECT_EQ(window->tabs().widget(1)->property("plainText").toString().toStdString(), zh);
}

} // namespace
} // namespace kelvo::qt::testing
