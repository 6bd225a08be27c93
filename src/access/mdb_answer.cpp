// SPDX-License-Identifier: GPL-3.0-or-later
#include "access/mdb_answer.h"
#include "base/texts.h"

#include <cstdint>
#include <cstring>
#include <utility>

namespace kelvo::access::detail {

namespace {

class Writer {
public:
    void byte(char value) { bytes_.push_back(value); }
    void number(std::uint64_t value) {
        for (int shift = 0; shift < 64; shift += 8) {
            bytes_.push_back(static_cast<char>((value >> shift) & 0xFF));
        }
    }
    void text(std::string_view value) {
        number(value.size());
        bytes_.append(value);
    }
    void value(const platform::FieldValue& field) {
        if (const auto* number_value = std::get_if<double>(&field)) {
            byte('D');
            std::uint64_t bits = 0;
            std::memcpy(&bits, number_value, sizeof bits);
            number(bits);
        } else if (const auto* text_value = std::get_if<std::string>(&field)) {
            byte('S');
            text(*text_value);
        } else {
            byte('N');
        }
    }
    const std::string& bytes() const { return bytes_; }

private:
    std::string bytes_;
};

class Reader {
public:
    explicit Reader(std::string_view bytes) : bytes_(bytes) {}
    char byte() {
        need(1);
        return bytes_[at_++];
    }
    std::uint64_t number() {
        need(8);
        std::uint64_t value = 0;
        for (int shift = 0; shift < 64; shift += 8) {
            value |= static_cast<std::uint64_t>(static_cast<unsigned char>(bytes_[at_++])) << shift;
        }
        return value;
    }
    std::string text() {
        const std::uint64_t size = number();
        need(size);
        std::string value(bytes_.substr(at_, size));
        at_ += size;
        return value;
    }
    platform::FieldValue value() {
        switch (byte()) {
        case 'D': {
            const std::uint64_t bits = number();
            double result = 0;
            std::memcpy(&result, &bits, sizeof result);
            return result;
        }
        case 'S':
            return text();
        case 'N':
            return std::monostate{};
        default:
            throw AccessError(texts::kAnswerGarbled.en);
        }
    }
    bool done() const { return at_ == bytes_.size(); }

private:
    void need(std::uint64_t count) const {
        if (count > bytes_.size() - at_) {
            throw AccessError(texts::kAnswerCutShort.en);
        }
    }
    std::string_view bytes_;
    std::size_t at_ = 0;
};

std::vector<Column> decode_columns(Reader& in) {
    std::vector<Column> columns;
    const std::uint64_t count = in.number();
    for (std::uint64_t c = 0; c < count; ++c) {
        Column column;
        column.name = in.text();
        const char kind = in.byte();
        if (kind < 0 || kind > static_cast<char>(ColumnKind::Binary)) {
            throw AccessError(texts::kAnswerGarbled.en);
        }
        column.kind = static_cast<ColumnKind>(kind);
        columns.push_back(std::move(column));
    }
    return columns;
}

} // namespace

std::string encode(const Table& table) {
    Writer out;
    out.byte('T');
    out.text(table.name);
    out.text(table.format);
    out.number(table.columns.size());
    for (const Column& column : table.columns) {
        out.text(column.name);
        out.byte(static_cast<char>(column.kind));
    }
    out.number(table.rows.size());
    for (const auto& row : table.rows) {
        for (const auto& field : row) {
            out.value(field);
        }
    }
    return out.bytes();
}

std::string encode_error(std::string_view reason) {
    Writer out;
    out.byte('E');
    out.text(reason);
    return out.bytes();
}

Table decode(std::string_view bytes) {
    Reader in(bytes);
    const char tag = in.byte();
    if (tag == 'E') {
        throw AccessError(in.text());
    }
    if (tag != 'T') {
        throw AccessError(texts::kAnswerGarbled.en);
    }
    Table table;
    table.name = in.text();
    table.format = in.text();
    table.columns = decode_columns(in);
    const std::uint64_t rows = in.number();
    for (std::uint64_t r = 0; r < rows; ++r) {
        std::vector<platform::FieldValue> row;
        row.reserve(table.columns.size());
        for (std::size_t c = 0; c < table.columns.size(); ++c) {
            row.push_back(in.value());
        }
        table.rows.push_back(std::move(row));
    }
    if (!in.done()) {
        throw AccessError(texts::kAnswerGarbled.en);
    }
    return table;
}

} // namespace kelvo::access::detail
