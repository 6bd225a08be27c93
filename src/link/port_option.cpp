// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/port_option.h"
#include "base/limits.h"

#include <cctype>

namespace kelvo {

std::optional<PortOption> parse_port_option(std::string_view value) {
    if (value.starts_with('/')) {
        if (value.size() < 2) {
            return std::nullopt;
        }
        return PortOption{0, std::string(value)};
    }
    if (value.size() < 4 || value.size() > 5) {
        return std::nullopt;
    }
    for (std::size_t i = 0; i < 3; ++i) {
        if (std::toupper(static_cast<unsigned char>(value[i])) != "COM"[i]) {
            return std::nullopt;
        }
    }
    int number = 0;
    for (const char c : value.substr(3)) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        number = number * 10 + (c - '0');
    }
    if (value[3] == '0' || number < 1 || number > limits::kPortCount) {
        return std::nullopt;
    }
    return PortOption{number, {}};
}

} // namespace kelvo
