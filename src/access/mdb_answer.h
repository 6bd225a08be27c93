// access/: what the reading child hands back to the program through its pipe.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "access/mdb_reader.h"

#include <string>
#include <string_view>

namespace kelvo::access::detail {

// The child's answer: 'T' and the table, or 'E' and the reason.
std::string encode(const Table& table);
std::string encode_error(std::string_view reason);

// The table in the child's answer; throws AccessError with the child's reason, or when
// the answer is cut short or garbled.
Table decode(std::string_view bytes);

} // namespace kelvo::access::detail
