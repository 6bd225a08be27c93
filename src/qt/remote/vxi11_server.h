// qt/remote/: the LAN instrument beside the SCPI socket: the core channel, where clients open
// links and write and read messages by remote calls, and the abort channel that ends a call
// in progress, each on a port of its own, served on the window's thread. The core channel is
// mapped with the machine's portmapper while it listens, when one runs: that is where a
// client looks for it.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "vxi11/device.h"
#include "vxi11/link_peer.h"
#include "vxi11/portmap.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>

#include <cstddef>
#include <map>
#include <optional>

class QHostAddress;
class QTcpServer;
class QTcpSocket;
class QTimer;

namespace kelvo::tools {

// Connections served at once on each channel; a newcomer past them is closed at once.
inline constexpr std::size_t kMaxInstrumentConnections = 16;

class InstrumentConnection;

class Vxi11Server final : public QObject {
    Q_OBJECT
public:
    Vxi11Server(QObject* parent, vxi11::PeerFactory peers);
    ~Vxi11Server() override;
    Vxi11Server(const Vxi11Server&) = delete;
    Vxi11Server& operator=(const Vxi11Server&) = delete;

    // Listens on `host`, on free ports, and maps the core channel. False, with the reason in
    // `why`, when it cannot listen.
    bool start(const QHostAddress& host, QString& why);
    // Every connection closed, the mapping taken back.
    void stop();
    bool listening() const;
    quint16 core_port() const;
    quint16 abort_port() const;
    // The portmapper maps the core channel to its port.
    bool mapped() const { return mapped_; }
    // The portmapper's port while the core channel is mapped there: where clients begin.
    std::optional<quint16> mapped_at() const {
        return mapped_ && portmapper_ ? std::optional<quint16>(portmapper_->port) : std::nullopt;
    }
    // Where the portmapper is asked; none: it is not asked at all.
    void set_portmapper(std::optional<vxi11::Portmapper> where) { portmapper_ = std::move(where); }
    std::size_t connection_count() const { return connections_.size(); }

private:
    void accept(QTcpServer* server, bool abort_channel);
    void read(InstrumentConnection* connection);
    void take_record(InstrumentConnection* connection, std::string_view record);
    void send(InstrumentConnection* connection, const std::string& message);
    void poll();
    void watch_waits();
    void drop(InstrumentConnection* connection);
    std::size_t count_on(bool abort_channel) const;
    double now() const;

    vxi11::Device device_;
    QTcpServer* core_;
    QTcpServer* abort_;
    QTimer* waits_;
    QElapsedTimer clock_;
    std::map<int, InstrumentConnection*> connections_;
    int next_id_ = 0;
    std::optional<vxi11::Portmapper> portmapper_ = vxi11::Portmapper{};
    bool mapped_ = false;
};

} // namespace kelvo::tools
