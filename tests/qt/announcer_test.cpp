// The DNS-SD announcement without a daemon to take it: no system bus at all, or a bus with
// no Avahi daemon on it. Each is one line, at once, and the program goes on: no crash, no
// wait, nothing said later, remote control untouched. And what is announced where: the
// services for the ports served, the name cut to one DNS label, the interface and protocol
// of the address listened on. Under the loopback daemon of dnssd_e2e.sh: stopping remote
// control takes its service off the network.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt/remote/announcer.h"
#include "qt/remote/remote_server.h"
#include "qt/tools/remote_announcing.h"
#include "qt_fixture.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QNetworkInterface>
#include <QProcess>
#include <QStandardPaths>

#include <memory>
#include <optional>
#include <vector>

namespace kelvo::qt::testing {
namespace {

const QString kNoDaemon =
    QStringLiteral("DNS-SD: no Avahi daemon runs; the instrument is not announced");

// The system bus of these tests: a socket in a folder of their own, where a bus listens
// only while an EmptyBus lives. One address for every test of the process, since the D-Bus
// library reads the variable once. What the variable held before comes back at the end.
class TestSystemBus {
public:
    TestSystemBus() {
        if (qEnvironmentVariableIsSet(kVariable)) {
            before_ = qgetenv(kVariable);
        }
        QDir().mkpath(folder());
        qputenv(kVariable, "unix:path=" + socket().toUtf8());
    }
    ~TestSystemBus() {
        QDir(folder()).removeRecursively();
        if (before_) {
            qputenv(kVariable, *before_);
        } else {
            qunsetenv(kVariable);
        }
    }
    TestSystemBus(const TestSystemBus&) = delete;
    TestSystemBus& operator=(const TestSystemBus&) = delete;

    static QString folder() {
        return QDir::temp().filePath(
            QStringLiteral("kelvo-bus-%1").arg(QCoreApplication::applicationPid()));
    }
    static QString socket() { return folder() + QStringLiteral("/system_bus_socket"); }

private:
    static constexpr const char* kVariable = "DBUS_SYSTEM_BUS_ADDRESS";
    std::optional<QByteArray> before_;
};

// A message bus at the tests' address, which no Avahi daemon ever joins.
class EmptyBus {
public:
    EmptyBus() {
        const QString program = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
        if (program.isEmpty()) {
            return;
        }
        bus_.start(program, {QStringLiteral("--session"), QStringLiteral("--nofork"),
                             QStringLiteral("--nopidfile"), QStringLiteral("--print-address=1"),
                             QStringLiteral("--address=unix:path=") + TestSystemBus::socket()});
        running_ = bus_.waitForReadyRead(5000);
    }
    ~EmptyBus() {
        bus_.terminate();
        bus_.waitForFinished();
        QFile::remove(TestSystemBus::socket());
    }
    EmptyBus(const EmptyBus&) = delete;
    EmptyBus& operator=(const EmptyBus&) = delete;
    bool running() const { return running_; }

private:
    QProcess bus_;
    bool running_ = false;
};

Announcement on_loopback(quint16 port) {
    return {instrument_name(QStringLiteral("bench")), QHostAddress(QHostAddress::LocalHost),
            instrument_services(port)};
}

// Whatever the announcer says after announce() has returned.
struct Heard {
    explicit Heard(Announcer& announcer) {
        QObject::connect(&announcer, &Announcer::said,
                         [this](const QString& line) { lines.push_back(line); });
        QObject::connect(&announcer, &Announcer::state_changed, [this] { ++changes; });
    }
    std::vector<QString> lines;
    int changes = 0;
};

// A while of the event loop, for what should not come.
void let_run(int milliseconds) {
    wait_until([] { return false; }, milliseconds);
}

TEST(Announcer, NoSystemBusIsOneLineAtOnceAndNothingAfter) {
    const TestSystemBus nowhere;
    auto announcer = std::make_unique<Announcer>();
    Heard heard(*announcer);
    QString note;
    QElapsedTimer took;
    took.start();
    EXPECT_FALSE(announcer->announce(on_loopback(5025), note));
    EXPECT_LT(took.elapsed(), 1000);
    EXPECT_EQ(note, kNoDaemon);
    // Asked again, the same: nothing is left over from the first time.
    EXPECT_FALSE(announcer->announce(on_loopback(5026), note));
    EXPECT_EQ(note, kNoDaemon);
    let_run(300);
    EXPECT_TRUE(heard.lines.empty());
    EXPECT_EQ(heard.changes, 0);
    EXPECT_FALSE(announcer->announced());
    announcer->withdraw();
    announcer.reset();
    let_run(50);
}

TEST(Announcer, ABusWithoutTheDaemonWaitsForItWithoutBlocking) {
    const TestSystemBus here;
    const EmptyBus bus;
    if (!bus.running()) {
        GTEST_SKIP() << "no dbus-daemon to run a bus of the test's own";
    }
    Announcer announcer;
    Heard heard(announcer);
    QString note;
    QElapsedTimer took;
    took.start();
    EXPECT_FALSE(announcer.announce(on_loopback(5025), note));
    EXPECT_LT(took.elapsed(), 2000);
    EXPECT_EQ(note.toStdString(),
              "DNS-SD: no Avahi daemon runs; the instrument is announced once one starts");
    let_run(500);
    EXPECT_TRUE(heard.lines.empty());
    EXPECT_FALSE(announcer.announced());
    // Withdrawn while waiting, and again: nothing to free twice.
    announcer.withdraw();
    announcer.withdraw();
}

// Remote control on loopback is announced only when asked, and without a daemon it says
// so once and listens on.
TEST(Announcer, RemoteControlTellsOfNoDaemonOnceAndListensOn) {
    const TestSystemBus nowhere;
    const ProgramFolder folder;
    const auto form = std::make_unique<QtForm>(folder.path());
    const auto logic = std::make_unique<Form1>(form->controls());
    tools::RemoteServer server(nullptr, *logic);
    std::vector<QString> said;
    auto* announcing = new tools::RemoteAnnouncing(
        &server, [&said](const QString& line) { said.push_back(line); });
    QString why;
    ASSERT_TRUE(server.start(QStringLiteral("127.0.0.1"), 0, why)) << why.toStdString();
    let_run(200);
    EXPECT_TRUE(said.empty()) << "loopback announced unasked";

    announcing->set_always(true);
    let_run(200);
    ASSERT_EQ(said, std::vector<QString>{kNoDaemon});
    EXPECT_TRUE(server.listening());
    server.stop();
    ASSERT_TRUE(server.start(QStringLiteral("127.0.0.1"), 0, why)) << why.toStdString();
    let_run(200);
    // Nothing was announced, so nothing is withdrawn; the new port is tried again.
    EXPECT_EQ(said, (std::vector<QString>{kNoDaemon, kNoDaemon}));
}

TEST(Announcer, WhatIsAnnouncedAndWhere) {
    using Services = std::vector<AnnouncedService>;
    EXPECT_EQ(instrument_services(5025), (Services{{"_scpi-raw._tcp", 5025}}));
    EXPECT_EQ(instrument_services(5025, 111),
              (Services{{"_scpi-raw._tcp", 5025}, {"_vxi-11._tcp", 111}}));

    EXPECT_EQ(instrument_name(QStringLiteral(" bench-3 ")), "KELVO power supply on bench-3");
    // One DNS label: 63 bytes at most, never half a character.
    const QString long_name = instrument_name(QString(40, QChar(0x5B9E)));
    EXPECT_LE(long_name.toUtf8().size(), 63);
    EXPECT_EQ(long_name.toUtf8().size(), 22 + 3 * 13);
    EXPECT_TRUE(long_name.endsWith(QChar(0x5B9E)));

    const QHostAddress loopback(QHostAddress::LocalHost);
    const AvahiIfIndex lo = announce_interface(loopback);
    EXPECT_NE(lo, AVAHI_IF_UNSPEC);
    EXPECT_TRUE(
        QNetworkInterface::interfaceFromIndex(lo).flags().testFlag(QNetworkInterface::IsLoopBack));
    EXPECT_EQ(announce_interface(QHostAddress(QHostAddress::AnyIPv4)), AVAHI_IF_UNSPEC);
    EXPECT_EQ(announce_protocol(loopback), AVAHI_PROTO_INET);
    EXPECT_EQ(announce_protocol(QHostAddress(QHostAddress::LocalHostIPv6)), AVAHI_PROTO_INET6);
    EXPECT_EQ(announce_protocol(QHostAddress(QHostAddress::Any)), AVAHI_PROTO_UNSPEC);
}

// The Avahi daemon of dnssd_e2e.sh, on the loopback interface only, takes the announcement;
// remote control stopped withdraws it from the network at once. Elsewhere it skips: no
// test announces through a daemon that might see other networks.
TEST(AnnouncerUnderTheDaemon, RemoteControlStoppedIsWithdrawn) {
    if (!qEnvironmentVariableIsSet("KELVO_TEST_AVAHI_ON_LO")) {
        GTEST_SKIP() << "run by dnssd_e2e.sh, under an Avahi daemon on loopback only";
    }
    const ProgramFolder folder;
    const auto form = std::make_unique<QtForm>(folder.path());
    const auto logic = std::make_unique<Form1>(form->controls());
    tools::RemoteServer server(nullptr, *logic);
    std::vector<QString> said;
    auto* announcing = new tools::RemoteAnnouncing(
        &server, [&said](const QString& line) { said.push_back(line); });
    announcing->set_always(true);
    QString why;
    ASSERT_TRUE(server.start(QStringLiteral("127.0.0.1"), 0, why)) << why.toStdString();
    const QString port = QString::number(server.port());
    const auto browsed = [&port] {
        QProcess browse;
        browse.start(QStringLiteral("avahi-browse"),
                     {QStringLiteral("-rpt"), QStringLiteral("_scpi-raw._tcp")});
        browse.waitForFinished(10000);
        return QString::fromUtf8(browse.readAllStandardOutput())
            .contains(QStringLiteral(";127.0.0.1;") + port + QLatin1Char(';'));
    };
    ASSERT_TRUE(wait_until([&] { return announcing->announcer().announced(); }, 10000))
        << (said.empty() ? std::string() : said.back().toStdString());
    EXPECT_TRUE(browsed());
    server.stop();
    ASSERT_TRUE(wait_until([&] { return !said.empty() && said.back().endsWith("withdrawn"); }));
    EXPECT_FALSE(announcing->announcer().announced());
    // The goodbye goes out at once; a cache holds what it says goodbye to for a second.
    EXPECT_TRUE(wait_until([&] { return !browsed(); }, 5000));
}

} // namespace
} // namespace kelvo::qt::testing
