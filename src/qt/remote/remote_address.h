// qt/remote/: where remote control may listen, as the socket takes it, and a client's name.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QHostAddress>
#include <QString>
#include <QTcpSocket>

namespace kelvo::qt {

// "localhost" or a numeric IPv4 or IPv6 address; a null address for anything else (a host
// name, "999.1.1.1"), which the command line refuses before the window opens.
inline QHostAddress remote_address(const QString& text) {
    if (text.compare(QStringLiteral("localhost"), Qt::CaseInsensitive) == 0) {
        return QHostAddress(QHostAddress::LocalHost);
    }
    return QHostAddress(text);
}

// "127.0.0.1:40312": how the monitor and the sessions name a client.
inline QString peer_name(const QTcpSocket* socket) {
    return socket->peerAddress().toString() + QLatin1Char(':') +
           QString::number(socket->peerPort());
}

} // namespace kelvo::qt
