// vxi11/: what a link of the LAN instrument talks to, one peer a link.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace kelvo::vxi11 {
// What a link talks to: the instrument's command language for one client.
class LinkPeer {
public:
    virtual ~LinkPeer() = default;
    // A whole message the client wrote (END seen), as sent: one or more lines, each usually
    // ended by "\n". Answers that are ready are appended to `output`.
    virtual void write_message(std::string_view message, std::string& output) = 0;
    // A command of an earlier message still waits (for a fresh reading, a program's pass).
    virtual bool busy() const = 0;
    // Goes on with waiting commands; answers now ready are appended to `output`.
    virtual void resume(std::string& output) = 0;
    // The IEEE 488.2 status byte (for device_readstb); `unread` when the link holds answers
    // its client has not read, which the peer's own byte cannot know.
    virtual int status_byte(bool unread) = 0;
    // Device clear: waiting commands and lines not yet carried out are dropped.
    virtual void clear() = 0;
};
using PeerFactory = std::function<std::unique_ptr<LinkPeer>(const std::string& client)>;
} // namespace kelvo::vxi11
