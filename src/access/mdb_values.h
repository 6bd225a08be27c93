// access/: the program's view of a libmdb column and of the text it binds.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "access/mdb_reader.h"

#include <cstddef>
#include <string_view>

namespace kelvo::access::detail {

// Memo fields can be long; a value that fills the whole buffer is refused, never cut.
constexpr std::size_t kBindSize = std::size_t{256} * 1024;
constexpr const char* kDateFormat = "%Y-%m-%d %H:%M:%S";

// What a column of libmdb's type number holds.
ColumnKind kind_of(int type);

// The value libmdb wrote as text: a number where it reads as one, nothing where empty.
platform::FieldValue value_of(ColumnKind kind, std::string_view text);

} // namespace kelvo::access::detail
