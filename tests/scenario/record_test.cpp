// Record logs and files tick by tick: the log while the output is on, the saved file byte
// for byte, names that never replace an earlier record, and saving that fails.
#include "scenario/supply_fixture.h"

#include <vector>

namespace kelvo::testing {
namespace {

using platform::DateTime;

constexpr const char* kHeader = "KELVO\r\nVersion: 1.0\r\n";

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
    bool enabled_as_idle() const {
        return ui.Command1.enabled() && ui.Slider1.enabled() && ui.Slider2.enabled() &&
               ui.Combo1.enabled() && ui.Combo2.enabled() && ui.Text1.enabled() &&
               ui.Text2.enabled();
    }
};

TEST_F(RecordTest, FileHoldsTheLogByteForByte) {
    attach_supply("1234", "0567");
    ASSERT_FALSE(ui.files.folder_exists("/prog/Record"));
    at({2026, 3, 4, 9, 5, 7});
    ui.Command1.click();
    at({2026, 3, 4, 9, 5, 8});
    second();
    at({2026, 3, 4, 9, 5, 9});
    second();
    at({2026, 12, 6, 1, 17, 3});
    ui.Command1.click();

    const std::string log = std::string(kHeader) + "2026-3-4   9:05:07\r\n"
                                                   "9:05:08          12.34V          0.567A\r\n"
                                                   "9:05:09          12.34V          0.567A\r\n"
                                                   "Save Path:/prog/Record/20261261173.TXT";
    EXPECT_TRUE(ui.files.folder_exists("/prog/Record"));
    ASSERT_EQ(ui.files.files.size(), 1u);
    EXPECT_EQ(file("/prog/Record/20261261173.TXT"), log + "\r\n");
    EXPECT_EQ(ui.Text3.text(), log); // the log stays on screen until the next period
    EXPECT_EQ(ui.Command4.caption(), "RUN");
    EXPECT_TRUE(ui.message_box.shown.empty());
}

TEST_F(RecordTest, ChineseTextsNameTheSavePathAndTheButtons) {
    ui.Combo3.choose(0);
    attach_supply();
    ui.Command1.click();
    EXPECT_EQ(ui.Command1.caption(), "关");
    second();
    at({2026, 12, 6, 1, 17, 3});
    ui.Command1.click();
    EXPECT_EQ(ui.Command1.caption(), "开");
    EXPECT_EQ(ui.Command4.caption(), "开始");
    const std::string saved = file("/prog/Record/20261261173.TXT");
    const std::string last_line = "\r\n保存路径:/prog/Record/20261261173.TXT\r\n";
    ASSERT_GE(saved.size(), last_line.size());
    EXPECT_EQ(saved.substr(saved.size() - last_line.size()), last_line);
    second();
    EXPECT_EQ(ui.Command1.caption(), "开");
}

TEST_F(RecordTest, EarlierRecordsAreNeverReplaced) {
    attach_supply();
    const DateTime january{2026, 1, 23, 4, 5, 6};
    period(january, january);
    const std::string first = file("/prog/Record/2026123456.TXT");
    // Another period ending in the same second, then a moment with the same digits.
    period(january, january);
    period({2026, 12, 3, 4, 5, 0}, {2026, 12, 3, 4, 5, 6});

    EXPECT_EQ(ui.files.files.size(), 3u);
    EXPECT_EQ(file("/prog/Record/2026123456.TXT"), first);
    const std::string third = file("/prog/Record/2026123456-3.TXT");
    EXPECT_NE(third.find("2026-12-3   4:05:00"), std::string::npos);
    EXPECT_NE(third.find("Save Path:/prog/Record/2026123456-3.TXT\r\n"), std::string::npos);
    EXPECT_NE(file("/prog/Record/2026123456-2.TXT").find("Save Path:/prog/Record/2026123456-2.TXT"),
              std::string::npos);
    EXPECT_TRUE(ui.message_box.shown.empty());
}

TEST_F(RecordTest, AProgramFolderThatCannotBeWrittenSendsRecordsToTheUsersFolder) {
    ui.files.read_only.insert("/prog");
    attach_supply("1234", "0567");
    period({2026, 12, 6, 1, 17, 0}, {2026, 12, 6, 1, 17, 3}, 2);

    const std::string path = "/home/user/.local/share/kelvo/Record/20261261173.TXT";
    ASSERT_EQ(ui.files.files.count(path), 1u);
    const std::string line = "Save Path:" + path;
    EXPECT_EQ(file(path).substr(file(path).size() - line.size() - 2), line + "\r\n");
    EXPECT_EQ(ui.Text3.text().substr(ui.Text3.text().size() - line.size()), line);
    EXPECT_TRUE(ui.message_box.shown.empty());
}

TEST_F(RecordTest, NoFolderThatCanBeWrittenSaysPlainlyThatNothingWasSaved) {
    ui.files.read_only = {"/prog", "/home/user/.local/share/kelvo"};
    attach_supply();
    period({2026, 12, 6, 1, 17, 0}, {2026, 12, 6, 1, 17, 3}, 2);

    EXPECT_TRUE(ui.files.files.empty());
    const std::string log = ui.Text3.text();
    EXPECT_EQ(log.find("Save Path:"), std::string::npos) << log;
    const std::size_t said = log.rfind("\r\nRecord NOT saved: ");
    ASSERT_NE(said, std::string::npos) << log;
    EXPECT_NE(log.find("/prog/Record: Permission denied", said), std::string::npos) << log;
    // Told at switch-on that the period has no copy on disk, and at the end that it was
    // not saved.
    ASSERT_EQ(ui.message_box.shown.size(), 2u);
    EXPECT_NE(ui.message_box.shown[0].prompt.find("cannot be kept on disk"), std::string::npos);
    EXPECT_EQ(ui.message_box.shown[1].title, "Record file error");
    EXPECT_NE(ui.message_box.shown[1].prompt.find("Permission denied"), std::string::npos);
    EXPECT_TRUE(enabled_as_idle());
    // Once: the next period only says that it was not saved.
    period({2026, 12, 6, 1, 18, 0}, {2026, 12, 6, 1, 18, 3});
    EXPECT_EQ(ui.message_box.shown.size(), 3u);
    EXPECT_EQ(ui.Command1.caption(), "ON");
}

TEST_F(RecordTest, AFullDiskLeavesTheJournalForTheNextStart) {
    attach_supply("1234", "0567");
    at({2026, 12, 6, 1, 17, 0});
    ui.Command1.click();
    at({2026, 12, 6, 1, 17, 2});
    second(2);
    const std::string journal = ui.files.journal_open;
    ASSERT_FALSE(journal.empty());
    EXPECT_EQ(ui.files.journals[journal], ui.Text3.text()); // the period, line for line
    ui.files.write_error = "No space left on device";
    second();
    ui.Command1.click();

    EXPECT_TRUE(ui.files.files.empty());
    EXPECT_NE(ui.Text3.text().find("Record NOT saved: /prog/Record/"), std::string::npos);
    EXPECT_NE(ui.message_box.shown.at(0).prompt.find("No space left on device"), std::string::npos);
    // Kept, closed: what reached it becomes a record when the program starts again.
    EXPECT_EQ(ui.files.journals.count(journal), 1u);
    EXPECT_TRUE(ui.files.journal_open.empty());

    ui.files.write_error.clear();
    fake::FakeForm again;
    again.files.journals = ui.files.journals;
    again.files.journal_written = ui.files.journal_written;
    again.files.folders = ui.files.folders;
    Form1 restarted{again.controls()};
    restarted.Form_Load();
    ASSERT_EQ(again.files.files.size(), 1u);
    const auto& [path, text] = *again.files.files.begin();
    EXPECT_EQ(path, "/prog/Record/20261261172.TXT"); // the moment of its last line
    EXPECT_EQ(text.rfind(ui.files.journals[journal], 0), 0u);
    EXPECT_NE(text.find("readings after the line above were lost.\r\nSave Path:" + path + "\r\n"),
              std::string::npos)
        << text;
    EXPECT_TRUE(again.files.journals.empty());
    EXPECT_EQ(again.Text3.text(),
              "KELVO\r\nVersion: 1.0\r\nRecovered an unfinished record: " + path + "\r\n");
}

// Text3 with every change counted: a log that is rebuilt each second costs more the
// longer the output stays on.
class CountingTextBox : public fake::FakeTextBox {
public:
    void set_text(const std::string& text) override {
        ++replaced;
        FakeTextBox::set_text(text);
    }
    void append_text(const std::string& text) override {
        appended.push_back(text);
        FakeTextBox::append_text(text);
    }
    int replaced = 0;
    std::vector<std::string> appended;
};

platform::FormControls with_log_box(fake::FakeForm& f, platform::TextBox& log) {
    const platform::FormControls c = f.controls();
    return {c.window,     c.Label1,   c.Label2,   c.Label3,   c.Label4,      c.Label5,
            c.Label6,     c.Label7,   c.Frame1,   c.Frame2,   c.Text1,       c.Text2,
            log,          c.Combo1,   c.Combo2,   c.Combo3,   c.Combo4,      c.Combo5,
            c.Slider1,    c.Slider2,  c.Command1, c.Command4, c.Command5,    c.Picture1_0,
            c.Picture1_1, c.Picture2, c.Timer1,   c.Timer2,   c.StatusBar1,  c.DataGrid1,
            c.Adodc1,     c.MSComm1,  c.screen,   c.clock,    c.message_box, c.files};
}

class RecordLogTest : public ::testing::Test {
protected:
    RecordLogTest() {
        ui.MSComm1.ports[2] = platform::OpenResult::Opened;
        ui.MSComm1.queue_read("QZPPSU1234A0567W");
        form.Form_Load();
        ui.Timer1.tick(10);
    }
    fake::FakeForm ui;
    CountingTextBox log;
    Form1 form{with_log_box(ui, log)};
};

TEST_F(RecordLogTest, OneLineIsAppendedPerDisplaySecondWhileTheOutputIsOn) {
    ASSERT_TRUE(form.device_connected);
    const std::string idle = log.text();
    ui.Timer1.tick(20);
    EXPECT_EQ(log.text(), idle); // nothing is logged while the output is off

    ui.Command1.click();
    const int replaced = log.replaced;
    log.appended.clear();
    ui.Timer1.tick(9);
    EXPECT_TRUE(log.appended.empty());
    ui.Timer1.tick(31);
    EXPECT_EQ(log.replaced, replaced);
    ASSERT_EQ(log.appended.size(), 4u);
    for (const std::string& line : log.appended) {
        EXPECT_EQ(line, "\r\n14:07:09          12.34V          0.567A");
    }
    EXPECT_EQ(log.sel_start, log.text_length()); // the newest line is in view

    ui.Command1.click();
    const std::string saved = log.text();
    ui.Timer1.tick(30);
    EXPECT_EQ(log.text(), saved);
}

} // namespace
} // namespace kelvo::testing
