// The device link tick by tick: port scan, send stream, reads, link loss and reconnect.
#include "app/form1.h"
#include "fake/fake_platform.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace kelvo {
namespace {

using platform::OpenResult;

class Link : public ::testing::Test {
protected:
    Link() {
        ui.Adodc1.rows = {{1.0, 5.0, 1.0, 3.0}};
        form.Form_Load();
    }

    void with_ports(std::initializer_list<int> numbers) {
        for (const int n : numbers) {
            ui.MSComm1.ports[n] = OpenResult::Opened;
        }
    }
    void tick(int times = 1) { ui.Timer1.tick(times); }
    std::vector<std::string> monitor() const { return ui.Picture2.printed_lines(); }
    bool monitor_has(const std::string& line) const {
        const auto lines = monitor();
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }
    fake::FakeForm ui;
    Form1 form{ui.controls()};
};

TEST_F(Link, ScanReportsEveryUsablePortAndOpensTheHighest) {
    with_ports({3, 4});
    tick();
    const std::vector<std::string> expected{
        "COM：   3可用", "COM：   4可用", "您计算机上总共有：   2个COM端口可用", "COM：   4已打开"};
    EXPECT_EQ(monitor(), expected);
    EXPECT_TRUE(form.port_ready);
    EXPECT_EQ(form.port_number, 4);
    EXPECT_EQ(form.ports_found, 2);
    EXPECT_TRUE(ui.MSComm1.open_now);
    EXPECT_EQ(ui.MSComm1.selected, 4);
}

TEST_F(Link, NoPortScansAgainOnEveryTick) {
    tick(3);
    EXPECT_FALSE(form.port_ready);
    const auto lines = monitor();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "您计算机上总共有：   0个COM端口可用"), 3);
    EXPECT_FALSE(ui.MSComm1.open_now);
}

TEST_F(Link, PermissionRefusalIsExplainedOnTheMonitor) {
    ui.MSComm1.ports[5] = OpenResult::PermissionDenied;
    tick();
    EXPECT_FALSE(form.port_ready);
    const auto lines = monitor();
    ASSERT_FALSE(lines.empty());
    EXPECT_NE(lines.front().find("COM5"), std::string::npos);
    EXPECT_NE(lines.front().find("dialout"), std::string::npos);
}

TEST_F(Link, SendStreamRepeatsTheFrameSeamlessly) {
    ui.Timer2.tick(5); // before the port opens nothing is written, but the position runs
    EXPECT_EQ(ui.MSComm1.written, "");
    with_ports({1});
    tick();
    EXPECT_EQ(form.command_frame, "QZPPSU0000H0000N");
    ui.Timer2.tick(32);
    EXPECT_EQ(ui.MSComm1.written, "U0000H0000NQZPPSU0000H0000NQZPPS");
    EXPECT_EQ(form.send_position, 5);
}

TEST_F(Link, ReadingsAreShownOnTheDisplaySecond) {
    with_ports({2});
    ui.MSComm1.queue_read("x1QZPPSU1234A0567WQZPPSU12");
    tick(10);
    EXPECT_EQ(ui.MSComm1.reads, 1);
    EXPECT_EQ(form.voltage_reading, "1234");
    EXPECT_EQ(form.current_reading, "0567");
    EXPECT_TRUE(form.device_connected);
    EXPECT_EQ(ui.Label2.caption(), "12.34V");
    EXPECT_EQ(ui.Label4.caption(), "0.567A");
    EXPECT_EQ(ui.StatusBar1.panel_text(1), "communication:connection is successful ");
    EXPECT_TRUE(monitor_has("x1QZPPSU1234A0567WQZPPSU12"));
    EXPECT_TRUE(monitor_has("QZPPSU1234A0567W"));
    EXPECT_TRUE(monitor_has("QZPPSU0000H0000NF"));
}

TEST_F(Link, BadDataIsCountedAndNamed) {
    with_ports({2});
    ui.MSComm1.queue_read("qzppsu1234A0567W");
    tick(10);
    EXPECT_EQ(form.bad_data_count, 1);
    EXPECT_TRUE(monitor_has("data error"));
    EXPECT_EQ(form.voltage_reading, "0000");
    ui.MSComm1.queue_read("QZPPSU12"); // a header but no whole frame: no "data error"
    tick(10);
    EXPECT_EQ(form.bad_data_count, 2);
    ui.MSComm1.queue_read("\xff\xffQZPPSU0100A0200W\xff");
    tick(10);
    EXPECT_EQ(form.bad_data_count, 0);
    EXPECT_EQ(form.voltage_reading, "0100");
    EXPECT_TRUE(monitor_has("QZPPSU0100A0200W")); // the data line without the bytes 255
}

TEST_F(Link, OverCurrentFollowsTheNewestValidReply) {
    with_ports({2});
    ui.MSComm1.queue_read("QZPPSU0750A1500B");
    tick(10);
    EXPECT_TRUE(form.over_current);
    EXPECT_EQ(form.reply_status, "B");
    ui.MSComm1.queue_read("QZPPSU0750A1500X"); // invalid: nothing changes
    tick(10);
    EXPECT_TRUE(form.over_current);
    ui.MSComm1.queue_read("QZPPSU0750A0500W");
    tick(10);
    EXPECT_FALSE(form.over_current);
}

TEST_F(Link, SilenceDropsTheLinkOnTheTwelfthReadSecondAndTheNextPortIsTried) {
    with_ports({3, 4});
    ui.MSComm1.queue_read("QZPPSU1234A0567W");
    tick(10); // first read second: a valid reply
    ASSERT_TRUE(form.device_connected);
    tick(10 * 11); // eleven silent read seconds
    EXPECT_EQ(form.no_answer_count, 11);
    EXPECT_TRUE(form.port_ready);
    tick(10); // the twelfth
    EXPECT_FALSE(form.port_ready);
    EXPECT_TRUE(monitor_has("COM4无应答"));
    EXPECT_TRUE(monitor_has("数据为空"));
    EXPECT_FALSE(monitor_has("COM4超时"));
    EXPECT_TRUE(form.port_failed[4]);
    EXPECT_TRUE(form.device_connected); // a loss above COM1 keeps it
    EXPECT_EQ(form.voltage_reading, "0000");
    EXPECT_EQ(ui.Label2.caption(), "00.00V");
    EXPECT_EQ(ui.Label4.caption(), "0.000A");
    EXPECT_EQ(ui.StatusBar1.panel_text(1), "communication:connection is successful ");
    tick();
    EXPECT_EQ(form.port_number, 3);
    EXPECT_TRUE(form.port_ready);
    EXPECT_EQ(form.no_answer_count, 0);
}

TEST_F(Link, GarbageDropsTheLinkAsTimedOut) {
    with_ports({2});
    for (int i = 0; i < 12; ++i) {
        ui.MSComm1.queue_read("noise");
    }
    tick(10 * 12);
    EXPECT_FALSE(form.port_ready);
    EXPECT_TRUE(monitor_has("COM2超时"));
    EXPECT_FALSE(monitor_has("COM2无应答"));
}

TEST_F(Link, LossOnComOneClearsTheMarksAndTheConnection) {
    with_ports({1});
    ui.MSComm1.queue_read("QZPPSU1234A0567W");
    tick(10 * 13);
    EXPECT_TRUE(monitor_has("COM1无应答"));
    EXPECT_FALSE(form.device_connected);
    EXPECT_FALSE(form.port_failed[1]);
    tick(); // port 1 again on the next tick
    EXPECT_TRUE(form.port_ready);
    EXPECT_EQ(form.port_number, 1);
}

TEST_F(Link, WhenEveryPortFoundHasFailedTheMarksAreClearedAndTheSupplyFoundAgain) {
    with_ports({3, 4});
    ui.MSComm1.queue_read("QZPPSU1234A0567W");
    tick(10 * 13); // COM4 lost
    tick();        // COM3 opened
    ASSERT_EQ(form.port_number, 3);
    tick(10 * 12 - 1); // COM3 lost too, on its twelfth read second
    ASSERT_FALSE(form.port_ready);
    ASSERT_TRUE(form.port_failed[3] && form.port_failed[4]);
    tick(); // no candidate left: the marks go, and with them the connection state
    EXPECT_FALSE(form.port_ready);
    EXPECT_FALSE(form.port_failed[3] || form.port_failed[4]);
    EXPECT_FALSE(form.device_connected);
    tick();
    EXPECT_TRUE(form.port_ready);
    EXPECT_EQ(form.port_number, 4);
}

TEST_F(Link, AFailingReadIsReportedOnceAndThePollingGoesOnUnderTheBox) {
    with_ports({2});
    ui.message_box.stay_open = true;
    ui.MSComm1.fail_next_read();
    tick(10);
    ASSERT_EQ(ui.message_box.shown.size(), 1u);
    EXPECT_EQ(ui.message_box.shown[0].prompt, "read USB connection date error");
    EXPECT_EQ(ui.message_box.shown[0].title, "");
    EXPECT_EQ(form.no_answer_count, 1); // the read second went on with empty data

    // The box stays up; readings, counts and the send stream go on under it.
    ui.MSComm1.queue_read("QZPPSU1234A0567W");
    tick(10);
    EXPECT_EQ(form.voltage_reading, "1234");
    EXPECT_EQ(ui.Label2.caption(), "12.34V");
    ui.Timer2.tick(16);
    EXPECT_FALSE(ui.MSComm1.written.empty());

    // The same failure on the same port adds nothing; after a reconnect it is counted on
    // the box that is still up, not stacked as a second one.
    ui.MSComm1.fail_next_read();
    tick(10);
    EXPECT_EQ(ui.message_box.shown.size(), 1u);
    form.port_ready = false;
    tick();
    ui.MSComm1.fail_next_read();
    tick(10);
    EXPECT_EQ(ui.message_box.shown.size(), 1u);
    EXPECT_NE(ui.message_box.on_screen.find("2 times"), std::string::npos)
        << ui.message_box.on_screen;
    ui.message_box.answer();
    EXPECT_FALSE(form.message_box_open());
}

TEST_F(Link, ClosingTheWindowClosesAnOpenPortOnly) {
    form.Form_Unload();
    EXPECT_EQ(ui.MSComm1.closes, 0);
    with_ports({2});
    tick();
    const int closes = ui.MSComm1.closes;
    form.Form_Unload();
    EXPECT_EQ(ui.MSComm1.closes, closes + 1);
    EXPECT_FALSE(ui.MSComm1.open_now);
}

} // namespace
} // namespace kelvo
