// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt/remote/vxi11_server.h"

#include "qt/remote/remote_address.h"

#include "qt/remote/remote_server.h"
#include "vxi11/calls.h"
#include "vxi11/record.h"

#include <QHostAddress>
#include <QMetaObject>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <string>
#include <vector>

namespace kelvo::tools {

namespace {

// Read per turn of the event loop, so that a client sending without pause cannot hold the
// window up; the rest waits for the next turn.
constexpr qint64 kRecordReadChunk = qint64{64} * 1024;
// Replies a client has not taken: past this it does not read them, and it is closed.
constexpr qint64 kMaxUnsent = qint64{4} * 1024 * 1024;

} // namespace

// One connection of either channel: its socket and the record it is sending.
class InstrumentConnection final : public QObject {
public:
    InstrumentConnection(QObject* parent, QTcpSocket* socket, int id, bool abort_channel)
        : QObject(parent), socket_(socket), id_(id), abort_channel_(abort_channel) {
        socket_->setParent(this);
        socket_->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    }
    QTcpSocket* socket() const { return socket_; }
    int id() const { return id_; }
    bool abort_channel() const { return abort_channel_; }
    vxi11::RecordAssembler& records() { return records_; }

private:
    QTcpSocket* socket_;
    int id_;
    bool abort_channel_;
    vxi11::RecordAssembler records_;
};

Vxi11Server::Vxi11Server(QObject* parent, vxi11::PeerFactory peers)
    : QObject(parent), device_(std::move(peers)), core_(new QTcpServer(this)),
      abort_(new QTcpServer(this)), waits_(new QTimer(this)) {
    setObjectName(QStringLiteral("instrumentServer"));
    clock_.start();
    connect(core_, &QTcpServer::newConnection, this, [this] { accept(core_, false); });
    connect(abort_, &QTcpServer::newConnection, this, [this] { accept(abort_, true); });
    // A read waiting for its answer, a lock another link holds: looked at this often.
    waits_->setInterval(kWaitPoll);
    connect(waits_, &QTimer::timeout, this, [this] { poll(); });
}

Vxi11Server::~Vxi11Server() {
    stop();
}

bool Vxi11Server::start(const QHostAddress& host, QString& why) {
    stop();
    if (!core_->listen(host, 0) || !abort_->listen(host, 0)) {
        why = core_->isListening() ? abort_->errorString() : core_->errorString();
        core_->close();
        return false;
    }
    device_.set_abort_port(abort_->serverPort());
    if (portmapper_) {
        mapped_ = vxi11::portmap_set(*portmapper_, vxi11::kCoreProgram, vxi11::kProgramVersion,
                                     core_->serverPort());
    }
    return true;
}

void Vxi11Server::stop() {
    if (mapped_ && portmapper_) {
        vxi11::portmap_unset(*portmapper_, vxi11::kCoreProgram, vxi11::kProgramVersion);
    }
    mapped_ = false;
    core_->close();
    abort_->close();
    waits_->stop();
    std::vector<InstrumentConnection*> all;
    all.reserve(connections_.size());
    for (const auto& [id, connection] : connections_) {
        all.push_back(connection);
    }
    for (InstrumentConnection* connection : all) {
        drop(connection);
    }
}

bool Vxi11Server::listening() const {
    return core_->isListening();
}

quint16 Vxi11Server::core_port() const {
    return core_->serverPort();
}

quint16 Vxi11Server::abort_port() const {
    return abort_->serverPort();
}

std::size_t Vxi11Server::count_on(bool abort_channel) const {
    std::size_t count = 0;
    for (const auto& [id, connection] : connections_) {
        count += connection->abort_channel() == abort_channel ? 1 : 0;
    }
    return count;
}

void Vxi11Server::accept(QTcpServer* server, bool abort_channel) {
    while (QTcpSocket* socket = server->nextPendingConnection()) {
        if (count_on(abort_channel) >= kMaxInstrumentConnections) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        const int id = ++next_id_;
        auto* connection = new InstrumentConnection(this, socket, id, abort_channel);
        connections_[id] = connection;
        if (!abort_channel) {
            device_.connection_opened(id, qt::peer_name(socket).toStdString());
        }
        connect(socket, &QTcpSocket::readyRead, connection,
                [this, connection] { read(connection); });
        connect(socket, &QTcpSocket::disconnected, this, [this, connection] { drop(connection); });
    }
}

void Vxi11Server::read(InstrumentConnection* connection) {
    // Dropped since this turn was queued.
    if (!connections_.contains(connection->id())) {
        return;
    }
    QTcpSocket* socket = connection->socket();
    const QByteArray bytes = socket->read(kRecordReadChunk);
    const bool whole = connection->records().feed(
        std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())),
        [this, connection](std::string_view record) { take_record(connection, record); });
    const bool overloaded = !connection->abort_channel() && device_.overloaded(connection->id());
    if (!whole || overloaded || socket->bytesToWrite() > kMaxUnsent) {
        // Closed without a word: what it sent cannot be answered in order any more.
        socket->abort();
        drop(connection);
        return;
    }
    if (socket->bytesAvailable() > 0) {
        QMetaObject::invokeMethod(
            connection, [this, connection] { read(connection); }, Qt::QueuedConnection);
    }
    watch_waits();
}

void Vxi11Server::take_record(InstrumentConnection* connection, std::string_view record) {
    const std::optional<std::string> reply =
        connection->abort_channel() ? device_.abort_record(record)
                                    : device_.core_record(connection->id(), record, now());
    if (reply && !reply->empty()) {
        send(connection, *reply);
    }
}

void Vxi11Server::send(InstrumentConnection* connection, const std::string& message) {
    const std::string framed = vxi11::frame_record(message);
    connection->socket()->write(framed.data(), static_cast<qint64>(framed.size()));
}

void Vxi11Server::watch_waits() {
    if (device_.waiting() && !waits_->isActive()) {
        waits_->start();
    }
}

void Vxi11Server::poll() {
    for (const vxi11::Reply& reply : device_.poll(now())) {
        const auto found = connections_.find(reply.connection);
        if (found != connections_.end() && !reply.message.empty()) {
            send(found->second, reply.message);
        }
    }
    if (!device_.waiting()) {
        waits_->stop();
    }
}

void Vxi11Server::drop(InstrumentConnection* connection) {
    const auto found = connections_.find(connection->id());
    if (found == connections_.end() || found->second != connection) {
        return;
    }
    connections_.erase(found);
    if (!connection->abort_channel()) {
        device_.connection_closed(connection->id());
    }
    connection->socket()->disconnect();
    connection->socket()->disconnectFromHost();
    // Later: the connection may be in the middle of its own read.
    connection->deleteLater();
}

double Vxi11Server::now() const {
    return static_cast<double>(clock_.elapsed()) / 1000.0;
}

} // namespace kelvo::tools
