// vxi11/: a link's peer that speaks the program's remote-control language: one session of
// its own for each link, the messages written to it cut into lines as the raw socket cuts
// its bytes.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "remote/scpi_lines.h"
#include "remote/scpi_session.h"
#include "vxi11/link_peer.h"

#include <memory>
#include <string>
#include <string_view>

namespace kelvo {
class Form1;
}

namespace kelvo::vxi11 {

class SessionPeer final : public LinkPeer {
public:
    SessionPeer(Form1& form, std::string client) : session_(form, std::move(client)) {}

    // The end of a message ends its last line, with or without its "\n".
    void write_message(std::string_view message, std::string& output) override;
    bool busy() const override { return session_.waiting(); }
    void resume(std::string& output) override;
    // The session's byte, with "message available" (and the request for service it may
    // bring) while the link holds unread answers.
    int status_byte(bool unread) override;
    // The waiting command, the lines behind it and a line not yet ended are dropped.
    void clear() override;

private:
    void feed(std::string_view bytes);

    remote::Session session_;
    remote::LineAssembler lines_;
};

// Peers of `form`, each named after its link.
PeerFactory session_peers(Form1& form);

} // namespace kelvo::vxi11
