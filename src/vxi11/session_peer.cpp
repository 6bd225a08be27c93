// SPDX-License-Identifier: GPL-3.0-or-later
#include "vxi11/session_peer.h"

#include "remote/scpi_status.h"

namespace kelvo::vxi11 {

void SessionPeer::feed(std::string_view bytes) {
    lines_.feed(bytes, [this](std::string_view line, bool too_long) {
        if (too_long) {
            session_.submit_too_long();
        } else {
            session_.submit(line);
        }
    });
}

void SessionPeer::write_message(std::string_view message, std::string& output) {
    feed(message);
    if (!message.empty() && message.back() != '\n') {
        feed("\n");
    }
    output += session_.take_output();
}

void SessionPeer::resume(std::string& output) {
    session_.resume();
    output += session_.take_output();
}

int SessionPeer::status_byte(bool unread) {
    int byte = session_.status_byte();
    if (unread) {
        byte |= remote::summary::kMessageAvailable;
        if ((session_.status().service_enable() & remote::summary::kMessageAvailable) != 0) {
            byte |= remote::summary::kRequestService;
        }
    }
    return byte;
}

void SessionPeer::clear() {
    session_.clear_device();
    lines_ = remote::LineAssembler{};
}

PeerFactory session_peers(Form1& form) {
    return [&form](const std::string& client) -> std::unique_ptr<LinkPeer> {
        return std::make_unique<SessionPeer>(form, client);
    };
}

} // namespace kelvo::vxi11
