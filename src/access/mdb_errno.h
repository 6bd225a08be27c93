// access/: a reason in words from a failed system call.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/texts.h"

#include <cstring>
#include <string>

namespace kelvo::access::detail {

// The reason's text takes the system's words as its %1.
inline std::string reason_from_errno(const texts::Text& reason, int error) {
    return texts::fill(reason.en, {std::strerror(error)});
}

} // namespace kelvo::access::detail
