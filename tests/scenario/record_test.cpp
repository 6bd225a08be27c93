// Record logs and files tick by tick: the saved file byte for byte, names that never replace
// an earlier record, saving that fails, and the journal that outlives a failed save.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "scenario/fixture.h"

namespace kelvo::testing {
namespace {

class RecordTest : public SupplyTest {
protected:
    void at(const DateTime& moment) { ui.clock.moment = moment; }
    // One output period, switched on and off by hand at the given moments.
    void period(const DateTime& on, const DateTime& off, int seconds = 1) {
        at(on);
        ui.Command1.click();
        second(seconds);
        at(off);
        ui.Command1.click();
    }
    std::string file(const std::string& path) const {
        const auto it = ui.files.files.find(path);
        return it == ui.files.files.end() ? "<no file " + path + ">" : it->second;
    }
};

TEST_F(RecordTest, FileHoldsTheLogByteForByteAndTheJournalGoes) {
    attach_supply("1234", "0567");
    at({2026, 3, 4, 9, 5, 7});
    ui.Command1.click();
    at({2026, 3, 4, 9, 5, 8});
    answer("1234", "0567");
    second();
    EXPECT_EQ(split_journal(ui.files.journals[ui.files.journal_open]).log, ui.Text3.text());
    at({2026, 12, 6, 1, 17, 3});
    ui.Command1.click();
    const std::string log = "KELVO\r\nVersion: 1.0\r\n2026-3-4   9:05:07\r\n"
                            "9:05:08          12.34V          0.567A\r\n"
                            "Save Path:/prog/Record/20261261173.TXT";
    EXPECT_EQ(file("/prog/Record/20261261173.TXT"), log + "\r\n");
    EXPECT_EQ(ui.Text3.text(), log);
    EXPECT_TRUE(ui.files.journals.empty());
}

TEST_F(RecordTest, EarlierRecordsAreNeverReplaced) {
    attach_supply();
    const DateTime january{2026, 1, 23, 4, 5, 6};
    period(january, january);
    period(january, january);
    period(january, january);
    EXPECT_EQ(record_count(), 3u);
    EXPECT_NE(file("/prog/Record/2026123456-2.TXT").find("Save Path:/prog/Record/2026123456-2.TXT"),
              std::string::npos);
    EXPECT_EQ(ui.files.files.count("/prog/Record/2026123456-3.TXT"), 1u);
}

TEST_F(RecordTest, NoFolderThatCanBeWrittenSaysPlainlyThatNothingWasSaved) {
    ui.files.read_only = {"/prog", "/home/user/.local/share/kelvo"};
    attach_supply();
    period({2026, 12, 6, 1, 17, 0}, {2026, 12, 6, 1, 17, 3});
    EXPECT_TRUE(ui.files.files.empty());
    const std::string log = ui.Text3.text();
    EXPECT_NE(log.find("\r\nRecord NOT saved: "), std::string::npos) << log;
    EXPECT_EQ(ui.message_box.shown.back().title, "Record file error");
}

TEST_F(RecordTest, AFullDiskLeavesTheJournalForTheNextStart) {
    attach_supply("1234", "0567");
    at({2026, 12, 6, 1, 17, 0});
    ui.Command1.click();
    at({2026, 12, 6, 1, 17, 2});
    answer("1234", "0567");
    second();
    const std::string journal = ui.files.journal_open;
    ui.files.write_error = "No space left on device";
    ui.Command1.click();
    EXPECT_TRUE(ui.files.files.empty());
    ASSERT_EQ(ui.files.journals.count(journal), 1u);

    ui.files.write_error.clear();
    fake::FakeForm again;
    again.files.journals = ui.files.journals;
    again.files.journal_written = ui.files.journal_written;
    again.files.folders = ui.files.folders;
    Form1 restarted{again.controls()};
    restarted.Form_Load();
    // The record, and its timeline beside it, ending where the journal did.
    ASSERT_EQ(again.files.files.size(), 2u);
    const auto& [path, text] = *again.files.files.begin();
    EXPECT_EQ(path, "/prog/Record/20261261172.TXT"); // the moment of its last line
    EXPECT_EQ(text.rfind(split_journal(ui.files.journals[journal]).log, 0), 0u);
    const std::vector<PeriodEvent> events =
        read_events_file(again.files.files["/prog/Record/20261261172.events.csv"]);
    ASSERT_GE(events.size(), 2u);
    EXPECT_EQ(events.front().kind, EventKind::OutputOn);
    EXPECT_EQ(events.back().kind, EventKind::OutputOff);
    EXPECT_EQ(events.back().source, "recovery");
    EXPECT_NE(text.find("1:17:02          12.34V          0.567A"), std::string::npos) << text;
    EXPECT_TRUE(again.files.journals.empty());
}

} // namespace
} // namespace kelvo::testing
