// The device link tick by tick: port scan, send stream, reads, link loss and reconnect,
// and the boxes that report on it one at a time.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "scenario/fixture.h"

#include <algorithm>

namespace kelvo::testing {
namespace {

class Link : public SupplyTest {
protected:
    bool monitor_has(const std::string& line) const {
        const auto lines = ui.Picture2.printed_lines();
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }
};

TEST_F(Link, ComOneOpensAndTheSendStreamRepeatsTheFrameSeamlessly) {
    ui.MSComm1.ports[1] = platform::OpenResult::Opened;
    tick();
    ASSERT_TRUE(form.port_ready);
    EXPECT_EQ(form.port_number, 1);
    ui.Combo1.choose(12);
    ui.Combo4.choose(1);
    tick();
    EXPECT_EQ(form.command_frame, "QZPPSU1200C0000N");
    ui.Timer2.tick(32);
    EXPECT_EQ(ui.MSComm1.written, "QZPPSU1200C0000NQZPPSU1200C0000N");
}

TEST_F(Link, TheNewestValidReplyIsShownOnTheDisplaySecond) {
    ui.MSComm1.ports[2] = platform::OpenResult::Opened;
    ui.MSComm1.queue_read("x1QZPPSU9999A9999WQZPPSU1234A0567W\xffQZPPSU12");
    tick(9);
    EXPECT_EQ(ui.MSComm1.reads, 0);
    EXPECT_EQ(ui.Label2.caption(), "00.00V");
    tick();
    EXPECT_EQ(ui.MSComm1.reads, 1);
    EXPECT_TRUE(form.device_connected);
    EXPECT_EQ(ui.Label2.caption(), "12.34V");
    EXPECT_EQ(ui.Label4.caption(), "0.567A");
    EXPECT_FALSE(form.over_current);
}

TEST_F(Link, BadDataIsCountedUntilAValidReply) {
    ui.MSComm1.ports[2] = platform::OpenResult::Opened;
    for (const char* bad : {"QZPPSU1234A0567w", "QZPPSU1234A0567b", "QZPPSU1234A05x7W"}) {
        ui.MSComm1.queue_read(bad);
    }
    second(3);
    EXPECT_EQ(form.bad_data_count, 3);
    EXPECT_FALSE(form.device_connected);
    ui.MSComm1.queue_read("QZPPSU01\xff"
                          "00A1500B"); // a filler byte inside is dropped first
    second();
    EXPECT_EQ(form.bad_data_count, 0);
    EXPECT_EQ(form.voltage_reading, "0100");
    EXPECT_TRUE(form.over_current);
}

TEST_F(Link, SilenceDropsTheLinkOnTheTwelfthReadSecondAndTheNextPortIsTried) {
    ui.MSComm1.ports[3] = ui.MSComm1.ports[4] = platform::OpenResult::Opened;
    attach_supply("1234", "0567");
    second(11);
    EXPECT_EQ(form.no_answer_count, 11);
    EXPECT_TRUE(form.port_ready);
    second();
    EXPECT_FALSE(form.port_ready);
    EXPECT_TRUE(monitor_has("COM4无应答"));
    EXPECT_EQ(ui.Label2.caption(), "00.00V");
    tick();
    EXPECT_EQ(form.port_number, 3);
}

TEST_F(Link, OneBoxAtATimeTheSameReportOnlyCountedANoteNone) {
    ui.message_box.stay_open = true;
    form.show_message("link lost", "");
    form.report(platform::Severity::Box, "second", "T");
    form.report(platform::Severity::Note, "a note", ""); // the monitor's only
    form.show_message("link lost", "");
    form.show_message("link lost", "");
    ASSERT_EQ(ui.message_box.shown.size(), 1u);
    EXPECT_NE(ui.message_box.on_screen.find("3 times"), std::string::npos)
        << ui.message_box.on_screen;
    ui.message_box.answer();
    ASSERT_EQ(ui.message_box.shown.size(), 2u);
    EXPECT_EQ(ui.message_box.shown[1].title, "T");
    ui.message_box.answer();
    EXPECT_FALSE(form.message_box_open());
    EXPECT_TRUE(monitor_has("a note"));
}

} // namespace
} // namespace kelvo::testing
