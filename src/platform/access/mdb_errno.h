// platform/access/: a reason in words from a failed system call.
#pragma once

#include <cstring>
#include <string>

namespace kelvo::access::detail {

inline std::string reason_from_errno(const char* what, int error) {
    return std::string(what) + " (" + std::strerror(error) + ")";
}

} // namespace kelvo::access::detail
