// The report of a step program's run, tick by tick: written beside the record in the
// window's language when the run ends, none for a manual period, a planted name refused
// without losing the record, and the windows told of every record saved.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/run_report.h"
#include "scenario/fixture.h"

#include <algorithm>

namespace kelvo::testing {
namespace {

struct SavedRecords : platform::Observer {
    void record_saved(const std::string& path, bool program_run) override {
        saved.emplace_back(path, program_run);
    }
    std::vector<std::pair<std::string, bool>> saved;
};

class RunReportFile : public SupplyTest {
protected:
    void SetUp() override {
        ui.Adodc1.rows = {{1.0, 5.0, 1.0, 2.0}, {2.0, 10.0, 2.0, 2.0}};
        answering = true;
        attach_supply();
        ui.Combo5.choose(1);
        form.watch(&heard);
    }
    void TearDown() override { form.unwatch(&heard); }
    // The one record saved, or "" when there is not exactly one.
    std::string record_path() const {
        const auto found = records();
        return found.size() == 1 ? found.begin()->first : std::string();
    }
    bool monitor_names(const std::string& text) const {
        const std::vector<std::string> lines = ui.Picture2.printed_lines();
        return std::any_of(lines.begin(), lines.end(),
                           [&](const std::string& l) { return l.find(text) != std::string::npos; });
    }
    SavedRecords heard;
};

TEST_F(RunReportFile, AProgramRunLeavesItsReportBesideTheRecord) {
    ui.Combo3.choose(1);
    run();
    second(6);
    ASSERT_FALSE(form.program_running);
    const std::string path = record_path();
    ASSERT_FALSE(path.empty());
    const std::string report_path = history::report_path_of(path);
    ASSERT_EQ(ui.files.files.count(report_path), 1u);
    const std::string& report = ui.files.files.at(report_path);
    EXPECT_EQ(report.rfind("Run report\nStart: ", 0), 0u) << report;
    EXPECT_NE(report.find("step 1 from "), std::string::npos) << report;
    EXPECT_NE(report.find(": pass 1: 5.00 V 1.000 A 2 s\n    ended "), std::string::npos) << report;
    EXPECT_NE(report.find("its time was up (2 s)"), std::string::npos) << report;
    EXPECT_NE(report.find("pass 1: 10.00 V 2.000 A 2 s"), std::string::npos) << report;
    EXPECT_NE(report.find("Run ended by: the run count was done"), std::string::npos) << report;
    EXPECT_NE(report.find("Voltage: lowest 5.00 V, highest 5.00 V"), std::string::npos) << report;
    EXPECT_EQ(report.find("Not known"), std::string::npos) << report;
    // The same report as the files on disk make.
    const std::string events = ui.files.files.at(events_path_of(path));
    EXPECT_EQ(report,
              history::report_text(history::run_report(records().begin()->second, events), true));
    EXPECT_EQ(heard.saved, (std::vector<std::pair<std::string, bool>>{{path, true}}));
}

TEST_F(RunReportFile, InTheWindowsLanguage) {
    ui.Combo3.choose(0);
    run();
    second(6);
    const std::string path = record_path();
    ASSERT_FALSE(path.empty());
    const std::string& report = ui.files.files.at(history::report_path_of(path));
    EXPECT_EQ(report.rfind("运行报告\n开始：", 0), 0u) << report;
    EXPECT_NE(report.find("运行结束原因：运行次数已完成"), std::string::npos) << report;
}

TEST_F(RunReportFile, AManualPeriodGetsNone) {
    ui.Command1.click();
    second(3);
    ui.Command1.click();
    const std::string path = record_path();
    ASSERT_FALSE(path.empty());
    EXPECT_EQ(ui.files.files.count(events_path_of(path)), 1u);
    EXPECT_EQ(ui.files.files.count(history::report_path_of(path)), 0u);
    EXPECT_EQ(heard.saved, (std::vector<std::pair<std::string, bool>>{{path, false}}));
}

TEST_F(RunReportFile, AReportThatCannotBeWrittenIsToldAndTheRecordStays) {
    ui.Combo3.choose(1);
    // The clock stands still: a first record tells the name the run's record will take.
    ui.Command1.click();
    second();
    ui.Command1.click();
    const std::string path = record_path();
    ASSERT_FALSE(path.empty());
    ui.files.files.erase(path);
    ui.files.files.erase(events_path_of(path));
    // Something planted at the report's name is left alone.
    const std::string taken = history::report_path_of(path);
    ui.files.files[taken] = "planted";
    run();
    second(6);
    ASSERT_EQ(record_path(), path);
    EXPECT_EQ(ui.files.files.at(taken), "planted");
    EXPECT_EQ(ui.files.files.count(events_path_of(path)), 1u);
    EXPECT_TRUE(monitor_names("The report of the run could not be saved at " + taken));
    EXPECT_EQ(heard.saved.back(), std::make_pair(path, true));
}

} // namespace
} // namespace kelvo::testing
