// vxi11/: the machine's portmapper, where a client looks up the port of the core
// channel. Every call is bounded in time: a portmapper that is absent is known at once, one
// that does not answer is given up after the timeout.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>

namespace kelvo::vxi11 {

struct Portmapper {
    std::string address = "127.0.0.1"; // numeric IPv4
    std::uint16_t port = 111;
    int timeout_ms = 100; // for the connection, and again for the answer
};

// Maps `program`, `version` over TCP to `port`. A mapping left by a run that ended without
// taking it back is replaced. False when no portmapper answers or it refuses.
bool portmap_set(const Portmapper& where, std::uint32_t program, std::uint32_t version,
                 std::uint16_t port);
// Takes the mapping back; false when no portmapper answers or there was none.
bool portmap_unset(const Portmapper& where, std::uint32_t program, std::uint32_t version);

} // namespace kelvo::vxi11
