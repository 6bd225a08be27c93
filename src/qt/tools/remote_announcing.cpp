// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt/tools/remote_announcing.h"

#include "base/texts.h"
#include "qt/remote/remote_server.h"
#include "qt/remote/vxi11_server.h"

#include <QHostInfo>

#include <iostream>
#include <optional>
#include <utility>

namespace kelvo::tools {

namespace {

void to_standard_error(const QString& line) {
    std::cerr << line.toStdString() << '\n';
}

} // namespace

RemoteAnnouncing::RemoteAnnouncing(RemoteServer* server, Say say)
    : QObject(server), server_(server), say_(say ? std::move(say) : Say(&to_standard_error)) {
    setObjectName(QStringLiteral("remoteAnnouncing"));
    // From the event loop: the socket tells of itself first, and a client coming or going
    // changes nothing here.
    connect(
        server_, &RemoteServer::state_changed, this, [this] { follow(); }, Qt::QueuedConnection);
    connect(&announcer_, &qt::Announcer::said, this, [this](const QString& line) { say_(line); });
}

void RemoteAnnouncing::set_always(bool always) {
    always_ = always;
    follow();
}

void RemoteAnnouncing::follow() {
    const bool wanted = server_->listening() && (always_ || !server_->address().isLoopback());
    if (!wanted) {
        withdraw();
        return;
    }
    // VXI-11 is announced where its clients begin, while the portmapper maps it.
    const std::optional<quint16> vxi11 = server_->instrument()->mapped_at();
    const QString where =
        server_->where() + (vxi11 ? QStringLiteral(" vxi-11 %1").arg(*vxi11) : QString());
    if (where == announced_) {
        return;
    }
    const qt::Announcement what{qt::instrument_name(QHostInfo::localHostName()), server_->address(),
                                qt::instrument_services(server_->port(), vxi11)};
    QString note;
    announcer_.announce(what, note);
    say_(note);
    announced_ = where;
}

void RemoteAnnouncing::withdraw() {
    if (announced_.isEmpty()) {
        return;
    }
    const QString name = announcer_.name();
    const bool had_it = announcer_.announced();
    announcer_.withdraw();
    announced_.clear();
    if (had_it) {
        say_(QString::fromStdString(
            texts::fill(texts::kAnnounceWithdrawn.en, {name.toStdString()})));
    }
}

} // namespace kelvo::tools
