// The LAN instrument on loopback with a client made by hand: calls in records torn across
// writes, the abort channel ending a read that waits, and a connection that sends what is
// no record, or more than it reads, closed while the others are served on.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt/remote/vxi11_server.h"
#include "qt_fixture.h"
#include "unit/vxi11_calls.h"
#include "vxi11/record.h"
#include "vxi11/session_peer.h"

#include <QHostAddress>
#include <QTcpSocket>

#include <memory>
#include <string>

namespace kelvo::qt::testing {
namespace {

using namespace vxi11;
using namespace vxi11::testing;

// A connection to one channel, its replies put together as they come.
class Client {
public:
    explicit Client(quint16 port) {
        socket_.connectToHost(QHostAddress::LocalHost, port);
        socket_.waitForConnected(2000);
    }
    void send_raw(const std::string& bytes) {
        socket_.write(bytes.data(), static_cast<qint64>(bytes.size()));
    }
    // The next reply; "" when none came in time.
    std::string next(int ms = 2000) {
        wait_until(
            [this] {
                const QByteArray bytes = socket_.readAll();
                records_.feed(std::string_view(bytes.constData(), bytes.size()),
                              [this](std::string_view r) { replies_.emplace_back(r); });
                return !replies_.empty() || socket_.state() != QAbstractSocket::ConnectedState;
            },
            ms);
        if (replies_.empty()) {
            return {};
        }
        std::string reply = replies_.front();
        replies_.erase(replies_.begin());
        return reply;
    }
    std::string call(const std::string& record) {
        send_raw(frame_record(record));
        return next();
    }
    bool closed() {

        return wait_until([this] { return socket_.state() == QAbstractSocket::UnconnectedState; });
    }

private:
    QTcpSocket socket_;
    RecordAssembler records_;
    std::vector<std::string> replies_;
};

class InstrumentServer : public WindowFixture {
protected:
    void SetUp() override {
        make_window(false);
        server = std::make_unique<tools::Vxi11Server>(nullptr, session_peers(*logic));
        server->set_portmapper(std::nullopt);
        QString why;
        ASSERT_TRUE(server->start(QHostAddress(QHostAddress::LocalHost), why)) << why.toStdString();
    }
    void TearDown() override {
        server.reset();
        close_window();
    }
    std::int32_t open(Client& client) {
        const Create_LinkResp link = link_of(client.call(open_call("inst0")));
        EXPECT_EQ(link.error, 0);
        EXPECT_EQ(link.abortPort, server->abort_port());
        return link.lid;
    }

    std::unique_ptr<tools::Vxi11Server> server;
};

TEST_F(InstrumentServer, CallsTornAcrossWritesAndFragmentsAreAnswered) {
    Client client(server->core_port());
    const std::int32_t lid = open(client);
    // One record in two fragments, sent a few bytes at a time.
    const std::string write = write_call(lid, "*IDN?\n");
    const std::string head(write.substr(0, 10));
    std::string torn;
    for (const std::string& part : {head, write.substr(10)}) {
        const std::uint32_t length = part.size() | (part.size() == head.size() ? 0 : 0x80000000U);
        torn += std::string{static_cast<char>(length >> 24), static_cast<char>(length >> 16),
                            static_cast<char>(length >> 8), static_cast<char>(length)} +
                part;
    }
    for (std::size_t at = 0; at < torn.size(); at += 7) {
        client.send_raw(torn.substr(at, 7));
        wait_until([] { return false; }, 2);
    }
    EXPECT_EQ(written_of(client.next()).size, 6U);
    const ReadOut read = read_of(client.call(read_call(lid, 1000, 1000)));
    EXPECT_EQ(read.data, "KELVO,KELVO desktop,0,1.0\n");
    EXPECT_EQ(read.reason, kReasonEnd);
}

TEST_F(InstrumentServer, TheAbortChannelEndsAReadThatWaits) {
    Client core(server->core_port());
    const std::int32_t lid = open(core);
    core.send_raw(frame_record(read_call(lid, 100, 60'000, 0, 0, 0, 50)));
    EXPECT_EQ(core.next(200), "");
    Client abort(server->abort_port());
    EXPECT_EQ(error_of(abort.call(link_call(kProcAbort, lid, 51, kAbortProgram))), 0);
    const std::string reply = core.next();
    EXPECT_EQ(head_of(reply).xid, 50U);
    EXPECT_EQ(read_of(reply).error, error::kAbort);
}

TEST_F(InstrumentServer, WhatIsNoRecordClosesItsConnectionOnly) {
    Client good(server->core_port());
    const std::int32_t lid = open(good);
    // Calls queued past the bound behind a waiting read.
    Client flood(server->core_port());
    std::string calls = frame_record(read_call(open(flood), 10, 60'000));
    for (std::size_t i = 0; i <= kMaxQueuedCalls; ++i) {
        calls += frame_record(call_without_arguments({kCoreProgram, kProcNull, 9}));
    }
    flood.send_raw(calls);
    EXPECT_TRUE(flood.closed());
    auto holder = std::make_unique<Client>(server->core_port());
    EXPECT_EQ(error_of(holder->call(lock_call(open(*holder)))), 0);
    EXPECT_EQ(error_of(good.call(lock_call(lid))), error::kLocked);
    // A length past any record.
    Client huge(server->core_port());
    huge.send_raw(std::string("\xff\xff\xff\xff", 4) + "garbage");
    EXPECT_TRUE(huge.closed());
    // The lock holder goes with a header cut short: its lock goes with it.
    holder->send_raw(std::string(3, '\0'));
    holder.reset();
    EXPECT_TRUE(wait_until([this] { return server->connection_count() == 1; }));
    EXPECT_EQ(error_of(good.call(lock_call(lid))), 0);
    EXPECT_EQ(read_of(good.call(read_call(lid, 10, 0))).error, error::kIoTimeout);
}

} // namespace
} // namespace kelvo::qt::testing
