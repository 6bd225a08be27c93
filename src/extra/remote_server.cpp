// SPDX-License-Identifier: GPL-3.0-or-later
#include "extra/remote_server.h"

#include "app/form1.h"
#include "app/texts.h"
#include "remote/scpi_lines.h"
#include "remote/scpi_session.h"

#include <QMetaObject>
#include <QTcpServer>
#include <QTcpSocket>

#include <algorithm>

namespace kelvo::extra {

namespace {

// Read per turn of the event loop, so that a client sending without pause cannot hold the
// window up; the rest waits for the next turn.
constexpr qint64 kReadChunk = qint64{16} * 1024;
// Answers a client has not taken: past this it does not read them, and it is closed.
constexpr qint64 kMaxUnread = qint64{1024} * 1024;

QString peer_name(const QTcpSocket* socket) {
    return socket->peerAddress().toString() + QLatin1Char(':') +
           QString::number(socket->peerPort());
}

} // namespace

// One client: its socket, the line it is sending and its error queue.
class RemoteClient final : public QObject {
public:
    RemoteClient(QObject* parent, QTcpSocket* socket, Form1& form)
        : QObject(parent), socket_(socket), session_(form, peer_name(socket).toStdString()) {
        socket_->setParent(this);
        // Each answer is one small write: sent at once, not held back to fill a packet.
        socket_->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    }
    QTcpSocket* socket() const { return socket_; }
    const std::string& name() const { return session_.client(); }

    void read() {
        const QByteArray bytes = socket_->read(kReadChunk);
        lines_.feed(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())),
                    [this](std::string_view line, bool too_long) {
                        const std::string answer =
                            too_long ? session_.refuse_long_line() : session_.execute(line);
                        if (!answer.empty()) {
                            socket_->write(answer.data(), static_cast<qint64>(answer.size()));
                        }
                    });
        if (socket_->bytesToWrite() > kMaxUnread) {
            socket_->abort();
        } else if (socket_->bytesAvailable() > 0) {
            QMetaObject::invokeMethod(
                this, [this] { read(); }, Qt::QueuedConnection);
        }
    }

private:
    QTcpSocket* socket_;
    remote::LineAssembler lines_;
    remote::Session session_;
};

RemoteServer::RemoteServer(QObject* parent, Form1& form)
    : QObject(parent), form_(form), server_(new QTcpServer(this)) {
    setObjectName(QStringLiteral("remoteServer"));
    connect(server_, &QTcpServer::newConnection, this, [this] { accept(); });
}

QHostAddress remote_address(const QString& text) {
    if (text.compare(QStringLiteral("localhost"), Qt::CaseInsensitive) == 0) {
        return QHostAddress(QHostAddress::LocalHost);
    }
    return QHostAddress(text);
}

bool RemoteServer::start(const QString& address, int port, QString& why) {
    stop();
    const QHostAddress host = remote_address(address);
    if (host.isNull()) {
        why = QString::fromStdString(
            texts::fill(form_.text(texts::kRemoteBadAddress), {address.toStdString()}));
        return false;
    }
    if (!server_->listen(host, static_cast<quint16>(port))) {
        why = server_->errorString();
        return false;
    }
    emit state_changed();
    return true;
}

void RemoteServer::stop() {
    const bool was = server_->isListening();
    server_->close();
    for (RemoteClient* client : std::vector<RemoteClient*>(clients_)) {
        client->socket()->disconnectFromHost();
        drop(client);
    }
    if (was) {
        emit state_changed();
    }
}

bool RemoteServer::listening() const {
    return server_->isListening();
}

QString RemoteServer::where() const {
    return server_->serverAddress().toString() + QLatin1Char(':') +
           QString::number(server_->serverPort());
}

void RemoteServer::accept() {
    while (QTcpSocket* socket = server_->nextPendingConnection()) {
        if (client_count() >= kMaxRemoteClients) {
            refuse(socket);
            continue;
        }
        auto* client = new RemoteClient(this, socket, form_);
        clients_.push_back(client);
        connect(socket, &QTcpSocket::readyRead, client, [client] { client->read(); });
        connect(socket, &QTcpSocket::disconnected, this, [this, client] { drop(client); });
        tell(QString::fromStdString(texts::fill(form_.text(texts::kRemoteConnected),
                                                {client->name(), std::to_string(client_count())})));
        emit state_changed();
    }
}

void RemoteServer::refuse(QTcpSocket* socket) {
    const std::string line =
        texts::fill(texts::kScpiTooManyClients.en, {std::to_string(kMaxRemoteClients)}) + "\n";
    socket->write(line.data(), static_cast<qint64>(line.size()));
    connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    socket->disconnectFromHost();
}

void RemoteServer::drop(RemoteClient* client) {
    const auto found = std::find(clients_.begin(), clients_.end(), client);
    if (found == clients_.end()) {
        return;
    }
    clients_.erase(found);
    // Later: the client may be in the middle of its own read.
    client->deleteLater();
    tell(QString::fromStdString(texts::fill(form_.text(texts::kRemoteDisconnected),
                                            {client->name(), std::to_string(client_count())})));
    emit state_changed();
}

void RemoteServer::tell(const QString& text) {
    const std::string line = text.toStdString();
    form_.tell_observers([&line](platform::Observer& o) { o.remote_event(line); });
}

} // namespace kelvo::extra
