// The port the user chose instead of the search: only it is opened, again after a loss, and
// a port that stays away is told once; giving up the choice searches again; a change never
// abandons a supply whose output is on. A refused port is noted in the status bar once.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "scenario/fixture.h"

#include <algorithm>

namespace kelvo::testing {
namespace {

using platform::OpenResult;

class Events : public platform::Observer {
public:
    void link_event(const std::string& text) override { told.push_back(text); }
    std::vector<std::string> told;
};

class PortChoice : public SupplyTest {
protected:
    PortChoice() { form.watch(&events); }
    long monitor_count(const std::string& part) const {
        const auto lines = ui.Picture2.printed_lines();
        return std::count_if(lines.begin(), lines.end(), [&](const std::string& line) {
            return line.find(part) != std::string::npos;
        });
    }
    bool only_tried(int number) const {
        const auto& tried = ui.MSComm1.open_attempts;
        return !tried.empty() &&
               std::all_of(tried.begin(), tried.end(), [&](int n) { return n == number; });
    }
    Events events;
};

TEST_F(PortChoice, OnlyThePinnedPortIsOpenedAndAfterALossOpenedAgain) {
    ui.MSComm1.ports[3] = ui.MSComm1.ports[5] = OpenResult::Opened;
    ASSERT_TRUE(form.pin_port(3));
    attach_supply();
    EXPECT_EQ(form.port_number, 3);
    second(12); // silence
    EXPECT_FALSE(form.port_ready);
    tick();
    EXPECT_TRUE(form.port_ready);
    EXPECT_EQ(form.port_number, 3);
    EXPECT_TRUE(only_tried(3));
    EXPECT_EQ(events.told.back(), "COM3 (/dev/fake3) opened again");
}

TEST_F(PortChoice, AnAbsentPortIsTriedOnEveryTickButToldOnceUntilItAppears) {
    form.pin_port(4);
    tick(30);
    EXPECT_EQ(ui.MSComm1.open_attempts.size(), 30u);
    EXPECT_TRUE(only_tried(4));
    EXPECT_EQ(monitor_count("COM4"), 1);
    EXPECT_EQ(events.told.size(), 2u); // the choice, the absence
    ui.MSComm1.ports[4] = OpenResult::Opened;
    tick();
    EXPECT_TRUE(form.port_ready);
    EXPECT_EQ(events.told.back(), "COM4 (/dev/fake4) opened");
}

TEST_F(PortChoice, GivingUpTheChoiceSearchesAgainAndTheSearchIsToldWhenItChanges) {
    form.pin_port(4);
    tick(3);
    ui.MSComm1.ports[2] = OpenResult::PermissionDenied;
    form.pin_port(0);
    ui.MSComm1.open_attempts.clear();
    tick();
    EXPECT_EQ(ui.MSComm1.open_attempts.size(), 16u);
    ui.MSComm1.ports[6] = OpenResult::Failed;
    tick(5);
    EXPECT_EQ(std::count(events.told.begin(), events.told.end(),
                         "Search: can be opened: none; permission refused: COM2"),
              1);
    ui.MSComm1.ports[6] = OpenResult::Opened;
    tick();
    EXPECT_EQ(form.port_number, 6);
    EXPECT_EQ(events.told.back(), "COM6 (/dev/fake6) opened");
}

TEST_F(PortChoice, ThePortOfASupplyWithItsOutputOnIsNeverLeft) {
    ui.MSComm1.ports[3] = OpenResult::Opened;
    attach_supply();
    ui.Command1.click();
    ASSERT_TRUE(form.output_on);
    EXPECT_FALSE(form.pin_port(5));
    EXPECT_TRUE(form.pin_port(3)); // the port it is on: nothing to leave
    EXPECT_TRUE(form.pin_port(0));
    EXPECT_TRUE(ui.MSComm1.open_now);
    ui.Command1.click();
    ASSERT_FALSE(form.output_on);
    ui.MSComm1.open_attempts.clear();
    EXPECT_TRUE(form.pin_port(5));
    EXPECT_FALSE(ui.MSComm1.open_now);
    EXPECT_FALSE(form.device_connected);
    tick();
    EXPECT_TRUE(only_tried(5));
}

TEST_F(PortChoice, ARefusedPortIsNotedInTheStatusBarOnceForAWhileInEitherLanguage) {
    ui.Combo3.choose(0);
    ui.MSComm1.ports[7] = OpenResult::PermissionDenied;
    tick();
    EXPECT_EQ(ui.StatusBar1.panel_text(1),
              "COM7 /dev/fake7：无权限。执行 sudo usermod -aG dialout $USER，然后重新登录");
    ui.Combo3.choose(1);
    second(29);
    EXPECT_EQ(ui.StatusBar1.panel_text(1),
              "COM7 /dev/fake7: permission refused. sudo usermod -aG dialout $USER, then log "
              "in again");
    second(2);
    EXPECT_EQ(ui.StatusBar1.panel_text(1), "communication:wait...");
    form.pin_port(7);
    second(40);
    EXPECT_EQ(ui.StatusBar1.panel_text(1), "communication:wait...");
}

} // namespace
} // namespace kelvo::testing
