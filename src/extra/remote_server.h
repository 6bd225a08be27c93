// extra/: the SCPI socket of remote control: it listens on the window's thread, cuts each
// client's bytes into lines and answers each line at once through its remote::Session.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QHostAddress>
#include <QObject>
#include <QString>

#include <vector>

class QTcpServer;
class QTcpSocket;

namespace kelvo {
class Form1;
}

namespace kelvo::extra {

// Clients served at once; one more is told why and closed.
inline constexpr int kMaxRemoteClients = 8;

class RemoteClient;

class RemoteServer final : public QObject {
    Q_OBJECT
public:
    RemoteServer(QObject* parent, Form1& form);

    // False, with the reason in `why`, when the address is none or the port is taken.
    bool start(const QString& address, int port, QString& why);
    void stop();
    bool listening() const;
    int client_count() const { return static_cast<int>(clients_.size()); }
    // "127.0.0.1:5025" while listening.
    QString where() const;

signals:
    // Started, stopped, a client came or went.
    void state_changed();

private:
    void accept();
    void refuse(QTcpSocket* socket);
    void drop(RemoteClient* client);
    void tell(const QString& text);

    Form1& form_;
    QTcpServer* server_;
    std::vector<RemoteClient*> clients_;
};

// A listening address from the command line: "localhost" or a numeric address.
QHostAddress remote_address(const QString& text);

} // namespace kelvo::extra
