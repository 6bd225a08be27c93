// qt/remote/: where remote control may listen, as the socket takes it.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QHostAddress>
#include <QString>

namespace kelvo::qt {

// "localhost" or a numeric IPv4 or IPv6 address; a null address for anything else (a host
// name, "999.1.1.1"), which the command line refuses before the window opens.
inline QHostAddress remote_address(const QString& text) {
    if (text.compare(QStringLiteral("localhost"), Qt::CaseInsensitive) == 0) {
        return QHostAddress(QHostAddress::LocalHost);
    }
    return QHostAddress(text);
}

} // namespace kelvo::qt
