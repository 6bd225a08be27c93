// SPDX-License-Identifier: GPL-3.0-or-later
#include "access/mdb_values.h"

// mdbtools.h includes glib.h and iconv.h inside its extern "C" block, which C++ headers
// of glib cannot live in: they must have been read before.
#include <glib.h>
#include <iconv.h>
#include <mdbtools.h>

#include <charconv>
#include <string>

namespace kelvo::access::detail {

ColumnKind kind_of(int type) {
    switch (type) {
    case MDB_BOOL:
    case MDB_BYTE:
    case MDB_INT:
    case MDB_LONGINT:
    case MDB_MONEY:
    case MDB_FLOAT:
    case MDB_DOUBLE:
    case MDB_NUMERIC:
        return ColumnKind::Number;
    case MDB_DATETIME:
        return ColumnKind::Date;
    case MDB_BINARY:
    case MDB_OLE:
    case MDB_COMPLEX:
        return ColumnKind::Binary;
    default:
        return ColumnKind::Text;
    }
}

platform::FieldValue value_of(ColumnKind kind, std::string_view text) {
    if (kind == ColumnKind::Binary || text.empty()) {
        return std::monostate{};
    }
    if (kind == ColumnKind::Number) {
        double number = 0;
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
        if (error == std::errc() && end == text.data() + text.size()) {
            return number;
        }
        // Not a number after all ("inf", say): shown as libmdb wrote it.
    }
    return std::string(text);
}

} // namespace kelvo::access::detail
