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

TEST_F(RecordTest, FolderThatCannotBeCreatedIsReportedAndTheWindowGoesBackToIdle) {
    attach_supply();
    ui.files.create_folder_error = "Permission denied";
    at({2026, 12, 6, 1, 17, 3});
    ui.Command1.click();
    second(2);
    ui.Command1.click();

    ASSERT_EQ(ui.message_box.shown.size(), 1u);
    const std::string& prompt = ui.message_box.shown[0].prompt;
    EXPECT_NE(prompt.find("/prog/Record"), std::string::npos) << prompt;
    EXPECT_NE(prompt.find("Permission denied"), std::string::npos) << prompt;
    EXPECT_TRUE(ui.files.files.empty());
    EXPECT_FALSE(form.output_on);
    EXPECT_EQ(ui.Command1.caption(), "ON");
    EXPECT_TRUE(enabled_as_idle());
    const std::string log = ui.Text3.text();
    EXPECT_EQ(log.rfind(kHeader, 0), 0u);
    EXPECT_NE(log.find("Save Path:/prog/Record/20261261173.TXT"), std::string::npos);

    // The program goes on: the log stays, and the next period is saved.
    second();
    EXPECT_EQ(ui.Text3.text(), log);
    EXPECT_EQ(output_letter(), 'N');
    ui.files.create_folder_error.clear();
    period({2026, 12, 6, 1, 18, 0}, {2026, 12, 6, 1, 18, 5});
    EXPECT_EQ(ui.files.files.count("/prog/Record/20261261185.TXT"), 1u);
    EXPECT_EQ(ui.message_box.shown.size(), 1u);
}

TEST_F(RecordTest, FileThatCannotBeWrittenOnATripIsReportedAndPollingGoesOn) {
    attach_supply();
    ui.files.write_error = "No space left on device";
    ui.Combo4.choose(1);
    ui.Command1.click();
    answer("0500", "5100", 'B');
    second();
    at({2026, 12, 6, 1, 17, 3});
    int ticks_held = 0;
    ui.message_box.while_open = [&](const fake::FakeMessageBox::Shown&) {
        const std::string frame = form.command_frame;
        tick(3);
        ticks_held += form.command_frame == frame ? 3 : 0;
    };
    tick(); // the trip

    ASSERT_EQ(ui.message_box.shown.size(), 1u);
    const std::string& prompt = ui.message_box.shown[0].prompt;
    EXPECT_NE(prompt.find("/prog/Record/20261261173.TXT"), std::string::npos) << prompt;
    EXPECT_NE(prompt.find("No space left on device"), std::string::npos) << prompt;
    EXPECT_EQ(ticks_held, 3);
    EXPECT_FALSE(form.output_on);
    EXPECT_TRUE(enabled_as_idle());
    EXPECT_EQ(output_letter(), 'N');
    ui.message_box.while_open = nullptr;

    ui.files.write_error.clear();
    answer("0500", "0100");
    second(2);
    EXPECT_FALSE(form.over_current);
    period({2026, 12, 6, 1, 20, 0}, {2026, 12, 6, 1, 20, 9});
    EXPECT_EQ(ui.files.files.count("/prog/Record/20261261209.TXT"), 1u);
    EXPECT_EQ(ui.message_box.shown.size(), 1u);
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
