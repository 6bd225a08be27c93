// The port window's view of the ports on real pseudo-terminals, where a device named on the
// command line goes, and the monitor window showing the traffic.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt/serial/port_probe.h"
#include "qt/tools/tools.h"
#include "qt_fixture.h"

#include <QAction>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QToolBar>

#include <fstream>
#include <sys/ioctl.h>
#include <sys/stat.h>

namespace kelvo::qt::testing {
namespace {

using platform::PortState;

TEST(PortState, FreeBusyAbsentAndOursAreToldApartWithoutTouchingTheLine) {
    PseudoTerminal free_line;
    PseudoTerminal held_line;
    PseudoTerminal locked_line;
    PseudoTerminal our_line;
    DeviceMap map;
    map[0] = free_line.slave();
    map[1] = held_line.slave();
    map[2] = locked_line.slave();
    map[3] = our_line.slave();
    map[4] = "/dev/kelvo-no-such-port";
    QtSerialPort port(map);
    port.set_settings("9600,N,8,1");
    port.set_port_number(4);
    ASSERT_EQ(port.open(), platform::OpenResult::Opened);

    // Another program's exclusive open, and another program's lock file (as Qt's serial
    // layer and the terminal programs leave one) with a live process in it.
    const int holder = ::open(held_line.slave().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_EQ(::ioctl(holder, TIOCEXCL), 0);
    const std::string lock = lock_file_name("/tmp", locked_line.slave());
    std::ofstream(lock) << "1\nsomething\n";

    EXPECT_EQ(port.describe(1).state, PortState::Free);
    EXPECT_EQ(port.describe(1).device, free_line.slave());
    EXPECT_EQ(port.describe(2).state, PortState::Busy);
    EXPECT_EQ(port.describe(3).state, PortState::Busy);
    EXPECT_EQ(port.describe(4).state, PortState::InUseHere);
    EXPECT_EQ(port.describe(5).state, PortState::Absent);
    EXPECT_EQ(port.describe(6).state, PortState::Absent);
    EXPECT_EQ(port.describe(6).device, "");
    std::remove(lock.c_str());
    ::close(holder);

    // Nothing was sent on a line that was looked at, and ours still carries the frame.
    EXPECT_EQ(free_line.drain(), "");
    port.write("QZ");
    EXPECT_EQ(our_line.received(2), "QZ");
}

TEST(PortState, ALineThisUserMayNotOpenIsRefused) {
    if (::geteuid() == 0) {
        GTEST_SKIP() << "the superuser opens any line";
    }
    PseudoTerminal line;
    ASSERT_EQ(::chmod(line.slave().c_str(), 0), 0);
    EXPECT_EQ(probe_port(line.slave()), PortState::PermissionRefused);
}

TEST(PortState, ADeviceNamedTakesItsOwnNumberOrAFreeOneOrTheLast) {
    DeviceMap map = device_map(nullptr);
    EXPECT_EQ(place_device(map, "/dev/ttyUSB2"), 7);
    EXPECT_EQ(place_device(map, "/dev/pts/9"), 16);
    EXPECT_EQ(map[15], "/dev/pts/9");
    map[9].clear();
    EXPECT_EQ(place_device(map, "/tmp/sim"), 10);
    EXPECT_EQ(map[9], "/tmp/sim");
}

class MonitorTest : public ::testing::Test {
protected:
    void SetUp() override {
        logic->Form_Load();
        tools::add_monitor_tool({form->main_window().strip(), &form->main_window(), *logic});
        form->main_window().strip()->findChild<QAction*>("monitorTool")->trigger();
        window = form->main_window().findChild<QWidget*>("monitorWindow");
        ASSERT_TRUE(window != nullptr && window->isVisible());
        lines = window->findChild<QPlainTextEdit*>("monitorLines");
    }
    void TearDown() override {
        logic.reset();
        form.reset();
    }
    QString shown() const { return lines->toPlainText(); }

    ProgramFolder folder;
    std::unique_ptr<QtForm> form = std::make_unique<QtForm>(folder.path());
    std::unique_ptr<Form1> logic = std::make_unique<Form1>(form->controls());
    QWidget* window = nullptr;
    QPlainTextEdit* lines = nullptr;
};

TEST_F(MonitorTest, FrameChangesAndRepliesAppearAndPauseHoldsThemBack) {
    logic->set_voltage_code = 500;
    logic->update_command_frame();
    logic->update_command_frame(); // the same frame again: no line
    logic->parse_reply("QZPPSU1234A0567B");
    const QStringList got = shown().split('\n');
    ASSERT_EQ(got.size(), 2) << shown().toStdString();
    EXPECT_TRUE(got[0].contains(QRegularExpression("^\\d\\d:\\d\\d:\\d\\d\\.\\d{3} ")));
    EXPECT_TRUE(got[0].endsWith("QZPPSU0500H0000N"));
    EXPECT_TRUE(got[1].endsWith("QZPPSU1234A0567B   12.34 V   0.567 A   over-current"));

    auto* pause = window->findChild<QPushButton*>("monitorPause");
    pause->click();
    logic->set_voltage_code = 600;
    logic->update_command_frame();
    logic->parse_reply("QZPPSU1234A0567W");
    EXPECT_EQ(shown().split('\n').size(), 2);
    pause->click();
    EXPECT_TRUE(shown().endsWith("(2 lines skipped while paused)")) << shown().toStdString();
}

} // namespace
} // namespace kelvo::qt::testing
