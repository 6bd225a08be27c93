// remote/: where remote control listens, as named on the command line.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kelvo::remote {

// Only this machine, unless an address is named.
inline constexpr const char* kDefaultAddress = "127.0.0.1";
inline constexpr int kDefaultPort = 5025;

struct RemoteOption {
    std::string address = kDefaultAddress;
    int port = kDefaultPort;
};

// "PORT", "ADDRESS:PORT" or "[IPv6]:PORT", the port 1..65535; nothing for anything else.
// Whether the address is one of this machine's is for the socket to find out.
std::optional<RemoteOption> parse_remote_option(std::string_view value);

} // namespace kelvo::remote
