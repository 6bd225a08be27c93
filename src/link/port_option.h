// link/: the port named on the command line: a port number or a device of this machine.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kelvo {

struct PortOption {
    int number = 0;     // 1..16 for "COMn"; 0 when a device is named
    std::string device; // the device path for a device
};

// "COM1".."COM16" (any case) or an absolute device path; nullopt for anything else. A device
// that does not exist yet is accepted: the link keeps trying it until it appears.
std::optional<PortOption> parse_port_option(std::string_view value);

} // namespace kelvo
