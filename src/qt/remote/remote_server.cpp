// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt/remote/remote_server.h"

#include "app/form1.h"
#include "base/texts.h"
#include "qt/remote/remote_address.h"
#include "qt/remote/vxi11_server.h"
#include "remote/scpi_lines.h"
#include "remote/scpi_session.h"
#include "vxi11/session_peer.h"

#include <QElapsedTimer>
#include <QMetaObject>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <algorithm>

namespace kelvo::tools {

namespace {

// Read per turn of the event loop, so that a client sending without pause cannot hold the
// window up; the rest waits for the next turn.
constexpr qint64 kClientReadChunk = qint64{16} * 1024;
// Answers a client has not taken: past this it does not read them, and it is closed.
constexpr qint64 kMaxUnread = qint64{1024} * 1024;

} // namespace

// One client: its socket, the line it is sending and its error queue.
class RemoteClient final : public QObject {
public:
    RemoteClient(QObject* parent, QTcpSocket* socket, Form1& form)
        : QObject(parent), socket_(socket), session_(form, qt::peer_name(socket).toStdString()) {
        socket_->setParent(this);
        // Each answer is one small write: sent at once, not held back to fill a packet.
        socket_->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        heard_.start();
    }
    QTcpSocket* socket() const { return socket_; }
    const std::string& name() const { return session_.client(); }
    // Since its last byte, or since it connected.
    std::chrono::milliseconds silent_for() const {
        return std::chrono::milliseconds(heard_.elapsed());
    }

    void read() {
        // Closed since this turn was queued (dropped for not reading, or given way); or a
        // command waits, and what the client sends after it stays in the socket until then.
        if (!socket_->isOpen() || session_.waiting()) {
            return;
        }
        const QByteArray bytes = socket_->read(kClientReadChunk);
        if (!bytes.isEmpty()) {
            heard_.restart();
        }
        lines_.feed(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())),
                    [this](std::string_view line, bool too_long) {
                        if (too_long) {
                            session_.submit_too_long();
                        } else {
                            session_.submit(line);
                        }
                    });
        send_answers();
    }

    bool waiting() const { return session_.waiting(); }
    // A waiting command goes on; when it is done, the lines behind it are read.
    void resume() {
        session_.resume();
        send_answers();
    }

    // Closed without another word: nothing it sends from now on is read, and its going is
    // not reported again.
    void close_quietly() {
        socket_->disconnect();
        socket_->disconnectFromHost();
    }

private:
    void send_answers() {
        const std::string answer = session_.take_output();
        if (!answer.empty()) {
            socket_->write(answer.data(), static_cast<qint64>(answer.size()));
        }
        if (socket_->bytesToWrite() > kMaxUnread) {
            socket_->abort();
        } else if (!session_.waiting() && socket_->bytesAvailable() > 0) {
            QMetaObject::invokeMethod(
                this, [this] { read(); }, Qt::QueuedConnection);
        }
    }

    QTcpSocket* socket_;
    remote::LineAssembler lines_;
    remote::Session session_;
    QElapsedTimer heard_;
};

RemoteServer::RemoteServer(QObject* parent, Form1& form)
    : QObject(parent), form_(form), server_(new QTcpServer(this)), waits_(new QTimer(this)),
      instrument_(new Vxi11Server(this, vxi11::session_peers(form))) {
    setObjectName(QStringLiteral("remoteServer"));
    connect(server_, &QTcpServer::newConnection, this, [this] { accept(); });
    // A waiting command (a fresh reading, a program's pass) is looked at this often: the
    // supply's reply comes on a polling tick, and the answer goes out within this.
    waits_->setInterval(kWaitPoll);
    connect(waits_, &QTimer::timeout, this, [this] { resume_waiting(); });
}

void RemoteServer::resume_waiting() {
    bool any = false;
    for (RemoteClient* client : std::vector<RemoteClient*>(clients_)) {
        if (client->waiting()) {
            client->resume();
            any = any || client->waiting();
        }
    }
    if (!any) {
        waits_->stop();
    }
}

void RemoteServer::watch_waits() {
    if (!waits_->isActive()) {
        waits_->start();
    }
}

bool RemoteServer::start(const QString& address, int port, QString& why) {
    stop();
    const QHostAddress host = qt::remote_address(address);
    if (host.isNull()) {
        why = QString::fromStdString(
            texts::fill(form_.text(texts::kRemoteBadAddress), {address.toStdString()}));
        return false;
    }
    if (!server_->listen(host, static_cast<quint16>(port))) {
        why = server_->errorString();
        return false;
    }
    // The socket serves without the instrument, which tells why it does not.
    instrument_failure_.clear();
    QString instrument_why;
    if (!instrument_->start(host, instrument_why)) {
        instrument_failure_ = instrument_why;
    }
    emit state_changed();
    return true;
}

QString RemoteServer::instrument_state(bool window_language) const {
    const auto text = [&](const texts::Text& key) -> std::string {
        return window_language ? form_.text(key) : key.en;
    };
    const std::string host = server_->serverAddress().toString().toStdString();
    if (!instrument_->listening()) {
        return QString::fromStdString(texts::fill(text(texts::kInstrumentCannotListen),
                                                  {host, instrument_failure_.toStdString()}));
    }
    if (!instrument_->mapped()) {
        return QString::fromStdString(text(texts::kInstrumentNoPortmapper));
    }
    return QString::fromStdString(texts::fill(text(texts::kInstrumentListening),
                                              {host, std::to_string(instrument_->core_port())}));
}

void RemoteServer::stop() {
    const bool was = server_->isListening();
    server_->close();
    instrument_->stop();
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

QHostAddress RemoteServer::address() const {
    return server_->serverAddress();
}

quint16 RemoteServer::port() const {
    return server_->serverPort();
}

void RemoteServer::accept() {
    while (QTcpSocket* socket = server_->nextPendingConnection()) {
        if (client_count() >= kMaxRemoteClients) {
            RemoteClient* idle = idlest();
            if (idle == nullptr) {
                refuse(socket);
                continue;
            }
            give_way(idle);
        }
        admit(socket);
    }
}

void RemoteServer::admit(QTcpSocket* socket) {
    auto* client = new RemoteClient(this, socket, form_);
    clients_.push_back(client);
    connect(socket, &QTcpSocket::readyRead, client, [this, client] {
        client->read();
        if (client->waiting()) {
            watch_waits();
        }
    });
    connect(socket, &QTcpSocket::disconnected, this, [this, client] { drop(client); });
    tell(QString::fromStdString(texts::fill(form_.text(texts::kRemoteConnected),
                                            {client->name(), std::to_string(client_count())})));
    emit state_changed();
}

RemoteClient* RemoteServer::idlest() const {
    const auto longest = std::max_element(clients_.begin(), clients_.end(),
                                          [](const RemoteClient* a, const RemoteClient* b) {
                                              return a->silent_for() < b->silent_for();
                                          });
    if (longest == clients_.end() || (*longest)->silent_for() < idle_limit_) {
        return nullptr;
    }
    return *longest;
}

void RemoteServer::give_way(RemoteClient* client) {
    client->close_quietly();
    drop(client);
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

} // namespace kelvo::tools
