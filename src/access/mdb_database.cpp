// Reading a Jet database in this process: opening it, its list of tables and the walk
// through one table's rows.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "access/mdb_reader.h"
#include "access/mdb_values.h"
#include "posix/descriptors.h"

// mdbtools.h includes glib.h and iconv.h inside its extern "C" block, which C++ headers
// of glib cannot live in: they must have been read before.
#include <glib.h>
#include <iconv.h>
#include <mdbtools.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <clocale>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <locale.h>
#include <string_view>
#include <utility>

namespace kelvo::access {

using detail::kBindSize;

namespace {

constexpr std::string_view kJetSignature("\0\1\0\0Standard Jet DB", 19);
constexpr std::string_view kAceSignature("\0\1\0\0Standard ACE DB", 19);

// libmdb writes numbers and dates with the C library's locale functions; the program may
// run under a locale with a decimal comma. This thread reads in the "C" locale meanwhile.
class CLocale {
public:
    CLocale() : locale_(newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr))) {
        if (locale_ != static_cast<locale_t>(nullptr)) {
            previous_ = uselocale(locale_);
        }
    }
    ~CLocale() {
        if (locale_ != static_cast<locale_t>(nullptr)) {
            uselocale(previous_);
            freelocale(locale_);
        }
    }
    CLocale(const CLocale&) = delete;
    CLocale& operator=(const CLocale&) = delete;

private:
    locale_t locale_;
    locale_t previous_ = static_cast<locale_t>(nullptr);
};

bool same_name(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](char x, char y) { return g_ascii_tolower(x) == g_ascii_tolower(y); });
}

struct TableDefDeleter {
    void operator()(MdbTableDef* table) const { mdb_free_tabledef(table); }
};

// The user's table of that name: spelt exactly so, else the first in another letter case.
MdbCatalogEntry* find_table(MdbHandle* mdb, const std::string& name) {
    MdbCatalogEntry* found = nullptr;
    for (unsigned int i = 0; i < mdb->num_catalog; ++i) {
        auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb->catalog, i));
        if (entry->object_type != MDB_TABLE || mdb_is_user_table(entry) == 0) {
            continue;
        }
        if (entry->object_name == name) {
            return entry;
        }
        if (found == nullptr && same_name(entry->object_name, name)) {
            found = entry;
        }
    }
    if (found == nullptr) {
        throw AccessError(texts::fill(texts::kNoTable.en, {name}));
    }
    return found;
}

// Where libmdb leaves the text of each column of the current row, by column position.
struct Bindings {
    std::vector<std::vector<char>> buffers;
    std::vector<int> lengths;
};

void bind_columns(MdbTableDef* source, Table& table, Bindings& bound) {
    const unsigned int columns = source->num_cols;
    bound.buffers.resize(columns);
    bound.lengths.assign(columns, 0);
    for (unsigned int c = 0; c < columns; ++c) {
        const auto* column = static_cast<MdbColumn*>(g_ptr_array_index(source->columns, c));
        table.columns.push_back({column->name, detail::kind_of(column->col_type)});
        // Binary data stays unread: libmdb would only hand over the first bytes as text.
        if (table.columns.back().kind != ColumnKind::Binary) {
            bound.buffers[c].assign(kBindSize, '\0');
            mdb_bind_column(source, static_cast<int>(c) + 1, bound.buffers[c].data(),
                            &bound.lengths[c]);
        }
    }
}

std::vector<platform::FieldValue> bound_row(const Table& table, const Bindings& bound,
                                            const std::string& name) {
    std::vector<platform::FieldValue> row;
    row.reserve(table.columns.size());
    for (std::size_t c = 0; c < table.columns.size(); ++c) {
        const Column& column = table.columns[c];
        if (column.kind == ColumnKind::Binary) {
            row.emplace_back(std::monostate{});
            continue;
        }
        const auto length = static_cast<std::size_t>(std::max(bound.lengths[c], 0));
        if (length + 1 >= kBindSize) {
            throw AccessError(texts::fill(texts::kValueTooLong.en,
                                          {column.name, std::to_string(table.rows.size() + 1), name,
                                           std::to_string(kBindSize - 2)}));
        }
        row.push_back(
            detail::value_of(column.kind, std::string_view(bound.buffers[c].data(), length)));
    }
    return row;
}

void read_rows(MdbTableDef* source, Table& table, const Bindings& bound, const std::string& name) {
    mdb_rewind_table(source);
    const unsigned int expected = source->num_rows;
    while (mdb_fetch_row(source) != 0) {
        // Damaged page links can make the scan go round in circles.
        if (table.rows.size() >= expected) {
            throw AccessError(
                texts::fill(texts::kDamagedTooManyRows.en, {name, std::to_string(expected)}));
        }
        table.rows.push_back(bound_row(table, bound, name));
    }
    if (table.rows.size() != expected) {
        throw AccessError(
            texts::fill(texts::kDamagedRowsMissing.en,
                        {std::to_string(table.rows.size()), std::to_string(expected), name}));
    }
}

} // namespace

bool is_jet_file(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::array<char, kJetSignature.size()> head{};
    if (!file.read(head.data(), head.size())) {
        return false;
    }
    const std::string_view bytes(head.data(), head.size());
    return bytes == kJetSignature || bytes == kAceSignature;
}

struct JetDatabase::Impl {
    MdbHandle* mdb = nullptr;
    ~Impl() {
        if (mdb != nullptr) {
            mdb_close(mdb);
        }
    }
};

JetDatabase::JetDatabase(const std::string& path) : impl_(std::make_unique<Impl>()) {
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::file_status status = fs::status(path, error);
    if (!fs::exists(status)) {
        throw AccessError(texts::kFileMissing.en);
    }
    if (!fs::is_regular_file(status)) {
        throw AccessError(texts::kNotAFile.en);
    }
    if (std::FILE* file = std::fopen(path.c_str(), "rb"); file == nullptr) {
        throw AccessError(posix::system_reason(texts::kFileUnreadable, errno));
    } else { // NOLINT(readability-else-after-return): the file is open only in this branch
        std::fclose(file);
    }
    if (!is_jet_file(path)) {
        throw AccessError(texts::kNotAccess.en);
    }
    const std::uintmax_t size = fs::file_size(path, error);
    if (error) {
        throw AccessError(texts::fill(texts::kSizeUnreadable.en, {error.message()}));
    }

    CLocale c_locale;
    impl_->mdb = mdb_open(path.c_str(), MDB_NOFLAGS);
    if (impl_->mdb == nullptr) {
        throw AccessError(texts::kAccessUnopened.en);
    }
    MdbHandle* mdb = impl_->mdb;
    // A database is whole pages; anything else has been cut short.
    const auto page = static_cast<std::uintmax_t>(mdb->fmt->pg_size);
    if (page == 0 || size == 0 || size % page != 0) {
        throw AccessError(
            texts::fill(texts::kDamagedLength.en, {std::to_string(size), std::to_string(page)}));
    }
    mdb_set_bind_size(mdb, kBindSize);
    mdb_set_date_fmt(mdb, detail::kDateFormat);
    mdb_set_shortdate_fmt(mdb, detail::kDateFormat);
    mdb_set_boolean_fmt_numbers(mdb);
    if (mdb_read_catalog(mdb, MDB_TABLE) == nullptr) {
        throw AccessError(texts::kDamagedCatalog.en);
    }
}

JetDatabase::~JetDatabase() = default;

std::string JetDatabase::format() const {
    switch (impl_->mdb->f->jet_version) {
    case MDB_VER_JET3:
        return "Jet 3";
    case MDB_VER_JET4:
        return "Jet 4";
    default:
        return "ACE";
    }
}

std::vector<std::string> JetDatabase::table_names() const {
    std::vector<std::string> names;
    MdbHandle* mdb = impl_->mdb;
    for (unsigned int i = 0; i < mdb->num_catalog; ++i) {
        auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb->catalog, i));
        if (entry->object_type == MDB_TABLE && mdb_is_user_table(entry) != 0) {
            names.emplace_back(entry->object_name);
        }
    }
    return names;
}

Table JetDatabase::read_table(const std::string& name) const {
    MdbCatalogEntry* found = find_table(impl_->mdb, name);
    CLocale c_locale;
    const std::unique_ptr<MdbTableDef, TableDefDeleter> definition(mdb_read_table(found));
    if (!definition || mdb_read_columns(definition.get()) == nullptr) {
        throw AccessError(texts::fill(texts::kDamagedLayout.en, {name}));
    }
    Table table;
    table.name = found->object_name;
    table.format = format();
    Bindings bound;
    bind_columns(definition.get(), table, bound);
    read_rows(definition.get(), table, bound, name);
    return table;
}

} // namespace kelvo::access
