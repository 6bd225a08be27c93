// vxi11/: the remote call messages around the procedures: a call taken apart (its id, the
// program, version and procedure it asks for, its arguments), and the replies, accepted
// with results or refused with the reason.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "vxi11/calls.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace kelvo::vxi11 {

struct Incoming {
    enum class Kind {
        kIgnored, // not a call at all (too short, a reply): nothing is answered
        kRefused, // a call this program cannot take: `refusal` is its reply
        kCall,    // a call to carry out: `request`
    };
    Kind kind = Kind::kIgnored;
    std::string refusal;
    Request request;
};

// Takes one record apart as a call to `program`, version 1: a wrong remote call version,
// program, version or procedure, or arguments that do not decode, each refused as the
// protocol says.
Incoming take_call(std::string_view record, std::uint32_t program);

// The accepted reply to `request`, carrying `result` as the procedure's results.
std::string success_reply(const Request& request, const Result& result);

} // namespace kelvo::vxi11
