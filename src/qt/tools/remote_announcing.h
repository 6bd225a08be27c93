// qt/tools/: remote control announced with DNS-SD while it listens: always when it listens
// beyond this machine, on loopback too when asked (--announce). The lines go to standard
// error, beside the socket's own.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "qt/remote/announcer.h"

#include <QObject>
#include <QString>

#include <functional>

namespace kelvo::tools {

class RemoteServer;

class RemoteAnnouncing final : public QObject {
    Q_OBJECT
public:
    using Say = std::function<void(const QString&)>;
    // A child of the server; `say` takes each line (standard error when none is given).
    explicit RemoteAnnouncing(RemoteServer* server, Say say = {});

    // Loopback too (--announce).
    void set_always(bool always);
    const qt::Announcer& announcer() const { return announcer_; }

private:
    // The announcement follows the server: made when it starts listening, made again when
    // it listens elsewhere, withdrawn when it stops.
    void follow();
    void withdraw();

    RemoteServer* server_;
    Say say_;
    qt::Announcer announcer_;
    bool always_ = false;
    // "ADDRESS:PORT" announced (and the VXI-11 port), empty when nothing is.
    QString announced_;
};

} // namespace kelvo::tools
