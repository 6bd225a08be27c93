// SPDX-License-Identifier: GPL-3.0-or-later
#include "remote/remote_option.h"

namespace kelvo::remote {

namespace {

constexpr int kMaxPort = 65535;

std::optional<int> port_number(std::string_view digits) {
    if (digits.empty() || digits.size() > 5 || digits.front() == '0') {
        return std::nullopt;
    }
    int port = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        port = port * 10 + (c - '0');
    }
    return port <= kMaxPort ? std::optional<int>(port) : std::nullopt;
}

} // namespace

std::optional<RemoteOption> parse_remote_option(std::string_view value) {
    const std::size_t colon = value.rfind(':');
    const auto port =
        port_number(colon == std::string_view::npos ? value : value.substr(colon + 1));
    if (!port) {
        return std::nullopt;
    }
    if (colon == std::string_view::npos) {
        return RemoteOption{kDefaultAddress, *port};
    }
    std::string_view address = value.substr(0, colon);
    if (address.starts_with('[') && address.ends_with(']')) {
        address = address.substr(1, address.size() - 2);
    } else if (address.find(':') != std::string_view::npos) {
        return std::nullopt; // an IPv6 address goes in brackets
    }
    if (address.empty()) {
        return std::nullopt;
    }
    return RemoteOption{std::string(address), *port};
}

} // namespace kelvo::remote
