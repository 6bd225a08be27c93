// The SCPI socket on loopback: silent clients give their places to newcomers once the idle
// time has passed, busy ones keep them, and a client dropped for not reading its answers
// leaves nothing on standard error.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt/remote/remote_server.h"
#include "qt/remote/vxi11_server.h"
#include "qt_fixture.h"

#include <QElapsedTimer>
#include <QTcpSocket>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

namespace kelvo::qt::testing {
namespace {

using std::chrono::milliseconds;

std::vector<std::string>& qt_messages() {
    static std::vector<std::string> messages;
    return messages;
}

void keep_message(QtMsgType /*type*/, const QMessageLogContext& /*where*/, const QString& text) {
    qt_messages().push_back(text.toStdString());
}

class RemoteServerTest : public WindowFixture {
protected:
    void SetUp() override {
        make_window(false);
        server = std::make_unique<tools::RemoteServer>(nullptr, *logic);
        server->instrument()->set_portmapper(std::nullopt);
    }
    void TearDown() override {
        clients.clear();
        server.reset();
        close_window();
    }

    void listen(milliseconds idle_limit) {
        server->set_idle_limit(idle_limit);
        QString why;
        ASSERT_TRUE(server->start(QStringLiteral("127.0.0.1"), 0, why)) << why.toStdString();
        port = static_cast<quint16>(server->where().section(QLatin1Char(':'), -1).toUInt());
    }
    // A new connection, once the server has taken it in (and told the tool strip) or turned
    // it away.
    QTcpSocket* connect_one() {
        clients.push_back(std::make_unique<QTcpSocket>());
        QTcpSocket* socket = clients.back().get();
        int changes = 0;
        const QMetaObject::Connection counting = QObject::connect(
            server.get(), &tools::RemoteServer::state_changed, [&changes] { ++changes; });
        socket->connectToHost(QStringLiteral("127.0.0.1"), port);
        wait_until([&] { return changes > 0 || socket->bytesAvailable() > 0; });
        QObject::disconnect(counting);
        return socket;
    }
    void connect_eight() {
        for (int i = 0; i < tools::kMaxRemoteClients; ++i) {
            connect_one();
        }
        ASSERT_EQ(server->client_count(), tools::kMaxRemoteClients);
    }
    // The answer to one line, or what came before the connection closed.
    static std::string ask(QTcpSocket* socket, const char* line) {
        socket->write(line);
        std::string got;
        wait_until([&] {
            got += socket->readAll().toStdString();
            return got.ends_with('\n') || socket->state() == QAbstractSocket::UnconnectedState;
        });
        return got;
    }
    static bool closed(QTcpSocket* socket) {
        return wait_until([&] { return socket->state() == QAbstractSocket::UnconnectedState; });
    }
    static void pause(int ms) {
        wait_until([] { return false; }, ms);
    }

    std::unique_ptr<tools::RemoteServer> server;
    std::vector<std::unique_ptr<QTcpSocket>> clients;
    quint16 port = 0;
};

TEST_F(RemoteServerTest, TheProductKeepsSilentClientsForHalfAMinute) {
    EXPECT_EQ(tools::kRemoteIdleLimit, milliseconds(30'000));
}

TEST_F(RemoteServerTest, TheClientSilentLongestGivesWayOnceTheIdleTimeHasPassed) {
    listen(milliseconds(1000));
    QElapsedTimer since;
    since.start();
    connect_eight();
    QTcpSocket* early = connect_one();
    if (since.elapsed() < 800) { // the eight have not been silent long enough yet
        EXPECT_EQ(early->readAll().toStdString().rfind("ERROR: 8 clients", 0), 0u);
        EXPECT_TRUE(closed(early));
    }
    pause(500);
    // The first speaks: the second has now been silent longest.
    EXPECT_EQ(ask(clients[0].get(), "*OPC?\n"), "1\n");
    pause(700);
    QTcpSocket* ninth = connect_one();
    EXPECT_EQ(ask(ninth, "*OPC?\n"), "1\n");
    EXPECT_EQ(server->client_count(), tools::kMaxRemoteClients);
    EXPECT_TRUE(closed(clients[1].get()));
    EXPECT_EQ(clients[1]->readAll().toStdString(), ""); // told nothing more
    EXPECT_EQ(ask(clients[0].get(), "*OPC?\n"), "1\n");
    EXPECT_EQ(clients[2]->state(), QAbstractSocket::ConnectedState);
    // One more newcomer: the third, silent since it connected, is next.
    QTcpSocket* tenth = connect_one();
    EXPECT_EQ(ask(tenth, "*OPC?\n"), "1\n");
    EXPECT_TRUE(closed(clients[2].get()));
    EXPECT_EQ(server->client_count(), tools::kMaxRemoteClients);
}

TEST_F(RemoteServerTest, ANewcomerIsRefusedWhileEveryClientSpokeWithinTheIdleTime) {
    listen(milliseconds(400));
    connect_eight();
    QElapsedTimer busy;
    busy.start();
    while (busy.elapsed() < 1000) { // well past the idle time, each speaking all along
        for (int i = 0; i < tools::kMaxRemoteClients; ++i) {
            ASSERT_EQ(ask(clients[static_cast<std::size_t>(i)].get(), "*OPC?\n"), "1\n") << i;
        }
        pause(100);
    }
    QTcpSocket* ninth = connect_one();
    EXPECT_EQ(ask(ninth, ""), "ERROR: 8 clients are connected already, closing\n");
    EXPECT_TRUE(closed(ninth));
    EXPECT_EQ(server->client_count(), tools::kMaxRemoteClients);
    for (int i = 0; i < tools::kMaxRemoteClients; ++i) {
        EXPECT_EQ(ask(clients[static_cast<std::size_t>(i)].get(), "*OPC?\n"), "1\n") << i;
    }
}

TEST_F(RemoteServerTest, AClientDroppedForNotReadingLeavesNoWarning) {
    listen(tools::kRemoteIdleLimit);
    QTcpSocket* flood = connect_one();
    ASSERT_EQ(server->client_count(), 1);
    // Reads next to nothing, so the answers pile up on the program's side.
    flood->setReadBufferSize(1024);
    std::string line;
    for (int i = 0; i < 600; ++i) {
        line += "*IDN?;";
    }
    line.back() = '\n';
    QByteArray lines;
    for (int i = 0; i < 1000; ++i) { // 3.6 MB asking for 14 MB of answers
        lines += QByteArray::fromStdString(line);
    }
    qt_messages().clear();
    const QtMessageHandler before = qInstallMessageHandler(keep_message);
    flood->write(lines);
    const bool dropped = wait_until([&] { return server->client_count() == 0; }, 20000);
    pause(300); // turns queued before the drop
    qInstallMessageHandler(before);
    EXPECT_TRUE(dropped);
    for (const std::string& message : qt_messages()) {
        EXPECT_EQ(message.find("QIODevice"), std::string::npos) << message;
    }
    // The server goes on for others.
    EXPECT_EQ(ask(connect_one(), "*OPC?\n"), "1\n");
}

} // namespace
} // namespace kelvo::qt::testing
