// qt/remote/: the SCPI socket of remote control: it listens on the window's thread, cuts each
// client's bytes into lines and answers them through its remote::Session. While a command
// waits (MEASure for a valid reply, *OPC? for a program's pass) the client's later bytes
// stay unread, and a timer looks in on it until it is done.
// Beside it, on the same address, the LAN instrument (qt/remote/vxi11_server.h) starts and
// stops with it.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QHostAddress>
#include <QObject>
#include <QString>

#include <chrono>
#include <vector>

class QTcpServer;
class QTcpSocket;
class QTimer;

namespace kelvo {
class Form1;
}

namespace kelvo::tools {

// Clients served at once. When every place is taken, a newcomer takes the place of the
// client that has sent nothing for longest, if that is at least kRemoteIdleLimit; else it is
// told why and closed.
inline constexpr int kMaxRemoteClients = 8;
inline constexpr std::chrono::milliseconds kRemoteIdleLimit{30'000};
inline constexpr std::chrono::milliseconds kWaitPoll{5};

class RemoteClient;
class Vxi11Server;

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
    // The LAN instrument beside the socket, and a line that tells how it is.
    Vxi11Server* instrument() const { return instrument_; }
    // In the window's language for the button's tip; in English for standard error.
    QString instrument_state(bool window_language = false) const;
    // The address and port listened on.
    QHostAddress address() const;
    quint16 port() const;
    // How long a client may stay silent and keep its place against a newcomer.
    void set_idle_limit(std::chrono::milliseconds limit) { idle_limit_ = limit; }

signals:
    // Started, stopped, a client came or went.
    void state_changed();

private:
    void accept();
    void admit(QTcpSocket* socket);
    void refuse(QTcpSocket* socket);
    // The client silent for longest, when that is past the idle limit; else none.
    RemoteClient* idlest() const;
    void give_way(RemoteClient* client);
    void drop(RemoteClient* client);
    void tell(const QString& text);
    void watch_waits();
    void resume_waiting();

    Form1& form_;
    QTcpServer* server_;
    std::vector<RemoteClient*> clients_;
    QTimer* waits_;
    Vxi11Server* instrument_;
    QString instrument_failure_;
    std::chrono::milliseconds idle_limit_ = kRemoteIdleLimit;
};

} // namespace kelvo::tools
