#include "platform/access/mdb_reader.h"

// mdbtools.h includes glib.h and iconv.h inside its extern "C" block, which C++ headers
// of glib cannot live in: they must have been read before.
#include <glib.h>
#include <iconv.h>
#include <mdbtools.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <clocale>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <locale.h>
#include <string_view>
#include <utility>

namespace kelvo::access {

namespace {

// Memo fields can be long; a value that fills the whole buffer is refused, never cut.
constexpr std::size_t kBindSize = 256 * 1024;
constexpr const char* kDateFormat = "%Y-%m-%d %H:%M:%S";

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

bool same_name(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](char x, char y) { return g_ascii_tolower(x) == g_ascii_tolower(y); });
}

struct TableDefDeleter {
    void operator()(MdbTableDef* table) const { mdb_free_tabledef(table); }
};

std::string reason_from_errno(const char* what, int error) {
    return std::string(what) + " (" + std::strerror(error) + ")";
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

// ---- reading in this process --------------------------------------------------------------

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
        throw AccessError("the file does not exist");
    }
    if (!fs::is_regular_file(status)) {
        throw AccessError("it is not a file");
    }
    if (std::FILE* file = std::fopen(path.c_str(), "rb"); file == nullptr) {
        throw AccessError(reason_from_errno("the file cannot be read", errno));
    } else {
        std::fclose(file);
    }
    if (!is_jet_file(path)) {
        throw AccessError("it is not an Access database");
    }
    const std::uintmax_t size = fs::file_size(path, error);
    if (error) {
        throw AccessError("the size of the file cannot be read (" + error.message() + ")");
    }

    CLocale c_locale;
    impl_->mdb = mdb_open(path.c_str(), MDB_NOFLAGS);
    if (impl_->mdb == nullptr) {
        throw AccessError("the file cannot be opened as an Access database");
    }
    MdbHandle* mdb = impl_->mdb;
    // A database is whole pages; anything else has been cut short.
    const auto page = static_cast<std::uintmax_t>(mdb->fmt->pg_size);
    if (page == 0 || size == 0 || size % page != 0) {
        throw AccessError("the file is damaged: its length (" + std::to_string(size) +
                          " bytes) is not a whole number of " + std::to_string(page) +
                          "-byte pages");
    }
    mdb_set_bind_size(mdb, kBindSize);
    mdb_set_date_fmt(mdb, kDateFormat);
    mdb_set_shortdate_fmt(mdb, kDateFormat);
    mdb_set_boolean_fmt_numbers(mdb);
    if (mdb_read_catalog(mdb, MDB_TABLE) == nullptr) {
        throw AccessError("the file is damaged: its list of tables cannot be read");
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
    MdbHandle* mdb = impl_->mdb;
    MdbCatalogEntry* found = nullptr;
    for (unsigned int i = 0; i < mdb->num_catalog; ++i) {
        auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb->catalog, i));
        if (entry->object_type != MDB_TABLE || mdb_is_user_table(entry) == 0) {
            continue;
        }
        if (entry->object_name == name) {
            found = entry;
            break;
        }
        if (found == nullptr && same_name(entry->object_name, name)) {
            found = entry;
        }
    }
    if (found == nullptr) {
        throw AccessError("it has no table " + name);
    }

    CLocale c_locale;
    const std::unique_ptr<MdbTableDef, TableDefDeleter> definition(mdb_read_table(found));
    if (!definition || mdb_read_columns(definition.get()) == nullptr) {
        throw AccessError("the file is damaged: the layout of table " + name + " cannot be read");
    }
    MdbTableDef* source = definition.get();
    Table table;
    table.name = found->object_name;
    table.format = format();
    const unsigned int columns = source->num_cols;
    std::vector<std::vector<char>> buffers(columns);
    std::vector<int> lengths(columns, 0);
    for (unsigned int c = 0; c < columns; ++c) {
        const auto* column = static_cast<MdbColumn*>(g_ptr_array_index(source->columns, c));
        table.columns.push_back({column->name, kind_of(column->col_type)});
        // Binary data stays unread: libmdb would only hand over the first bytes as text.
        if (table.columns.back().kind != ColumnKind::Binary) {
            buffers[c].assign(kBindSize, '\0');
            mdb_bind_column(source, static_cast<int>(c) + 1, buffers[c].data(), &lengths[c]);
        }
    }

    mdb_rewind_table(source);
    const unsigned int expected = source->num_rows;
    while (mdb_fetch_row(source) != 0) {
        // Damaged page links can make the scan go round in circles.
        if (table.rows.size() >= expected) {
            throw AccessError("the file is damaged: table " + name + " yields more than its " +
                              std::to_string(expected) + " rows");
        }
        std::vector<platform::FieldValue> row;
        row.reserve(columns);
        for (unsigned int c = 0; c < columns; ++c) {
            const Column& column = table.columns[c];
            if (column.kind == ColumnKind::Binary) {
                row.emplace_back(std::monostate{});
                continue;
            }
            const auto length = static_cast<std::size_t>(std::max(lengths[c], 0));
            if (length + 1 >= kBindSize) {
                throw AccessError("a value of field " + column.name + " in row " +
                                  std::to_string(table.rows.size() + 1) + " of table " + name +
                                  " is longer than " + std::to_string(kBindSize - 2) + " bytes");
            }
            row.push_back(value_of(column.kind, std::string_view(buffers[c].data(), length)));
        }
        table.rows.push_back(std::move(row));
    }
    if (table.rows.size() != expected) {
        throw AccessError("the file is damaged: only " + std::to_string(table.rows.size()) +
                          " of the " + std::to_string(expected) + " rows of table " + name +
                          " can be read");
    }
    return table;
}

// ---- reading in a child process -----------------------------------------------------------

namespace {

// The child's answer: 'T' and the table, or 'E' and the reason.
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
            throw AccessError("the reader's answer is garbled");
        }
    }
    bool done() const { return at_ == bytes_.size(); }

private:
    void need(std::uint64_t count) const {
        if (count > bytes_.size() - at_) {
            throw AccessError("the reader's answer is cut short");
        }
    }
    std::string_view bytes_;
    std::size_t at_ = 0;
};

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
        throw AccessError("the reader's answer is garbled");
    }
    Table table;
    table.name = in.text();
    table.format = in.text();
    const std::uint64_t columns = in.number();
    for (std::uint64_t c = 0; c < columns; ++c) {
        Column column;
        column.name = in.text();
        const char kind = in.byte();
        if (kind < 0 || kind > static_cast<char>(ColumnKind::Binary)) {
            throw AccessError("the reader's answer is garbled");
        }
        column.kind = static_cast<ColumnKind>(kind);
        table.columns.push_back(std::move(column));
    }
    const std::uint64_t rows = in.number();
    for (std::uint64_t r = 0; r < rows; ++r) {
        std::vector<platform::FieldValue> row;
        row.reserve(table.columns.size());
        for (std::uint64_t c = 0; c < columns; ++c) {
            row.push_back(in.value());
        }
        table.rows.push_back(std::move(row));
    }
    if (!in.done()) {
        throw AccessError("the reader's answer is garbled");
    }
    return table;
}

void write_all(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
}

[[noreturn]] void run_child(const std::string& path, const std::string& name, int answer,
                            int messages) {
    // What libmdb prints about damage goes to the parent, which quotes the first line.
    ::dup2(messages, STDOUT_FILENO);
    ::dup2(messages, STDERR_FILENO);
    std::string payload;
    try {
        const JetDatabase database(path);
        payload = encode(database.read_table(name));
    } catch (const AccessError& error) {
        payload = encode_error(error.what());
    } catch (const std::exception& error) {
        payload = encode_error(std::string("the file cannot be read (") + error.what() + ")");
    }
    write_all(answer, payload);
    // No exit handlers: they belong to the parent (and to its Qt objects).
    ::_exit(0);
}

class Pipe {
public:
    Pipe() {
        if (::pipe2(ends_.data(), O_CLOEXEC) != 0) {
            throw AccessError(reason_from_errno("the reader cannot be started", errno));
        }
    }
    ~Pipe() {
        close_read();
        close_write();
    }
    Pipe(const Pipe&) = delete;
    Pipe& operator=(const Pipe&) = delete;
    int read_end() const { return ends_[0]; }
    int write_end() const { return ends_[1]; }
    void close_read() { close(0); }
    void close_write() { close(1); }

private:
    void close(std::size_t end) {
        if (ends_.at(end) >= 0) {
            ::close(ends_.at(end));
            ends_.at(end) = -1;
        }
    }
    std::array<int, 2> ends_{-1, -1};
};

std::string first_line(const std::string& text) {
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        std::string line = text.substr(start, end - start);
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) {
            line.pop_back();
        }
        if (!line.empty()) {
            return line;
        }
        start = end + 1;
    }
    return {};
}

} // namespace

Table read_table(const std::string& path, const std::string& name,
                 std::chrono::milliseconds time_limit) {
    Pipe answer;
    Pipe messages;
    const pid_t child = ::fork();
    if (child < 0) {
        throw AccessError(reason_from_errno("the reader cannot be started", errno));
    }
    if (child == 0) {
        run_child(path, name, answer.write_end(), messages.write_end());
    }
    answer.close_write();
    messages.close_write();

    constexpr std::size_t kMessageLimit = 4096;
    std::string payload;
    std::string said;
    const auto deadline = std::chrono::steady_clock::now() + time_limit;
    bool answer_open = true;
    bool messages_open = true;
    bool timed_out = false;
    std::array<char, 65536> chunk{};
    while (answer_open || messages_open) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            timed_out = true;
            break;
        }
        std::array<pollfd, 2> fds{{{answer_open ? answer.read_end() : -1, POLLIN, 0},
                                   {messages_open ? messages.read_end() : -1, POLLIN, 0}}};
        const int ready = ::poll(fds.data(), fds.size(), static_cast<int>(left.count()));
        if (ready < 0 && errno != EINTR) {
            timed_out = true;
            break;
        }
        for (std::size_t i = 0; i < fds.size(); ++i) {
            if (fds.at(i).fd < 0 || fds.at(i).revents == 0) {
                continue;
            }
            const ssize_t got = ::read(fds.at(i).fd, chunk.data(), chunk.size());
            if (got < 0 && errno == EINTR) {
                continue;
            }
            if (got <= 0) {
                (i == 0 ? answer_open : messages_open) = false;
                continue;
            }
            const std::string_view bytes(chunk.data(), static_cast<std::size_t>(got));
            if (i == 0) {
                payload.append(bytes);
            } else if (said.size() < kMessageLimit) {
                said.append(bytes.substr(0, kMessageLimit - said.size()));
            }
        }
    }
    if (timed_out) {
        ::kill(child, SIGKILL);
    }
    int status = 0;
    pid_t waited = 0;
    do {
        waited = ::waitpid(child, &status, 0);
    } while (waited < 0 && errno == EINTR);

    const std::string libmdb_said =
        first_line(said).empty() ? std::string() : "; libmdb: " + first_line(said);
    if (timed_out) {
        throw AccessError("the file is damaged: reading it did not finish within " +
                          std::to_string(time_limit.count()) + " ms" + libmdb_said);
    }
    if (waited == child && WIFSIGNALED(status)) {
        throw AccessError(std::string("the file is damaged: reading it crashed (") +
                          ::strsignal(WTERMSIG(status)) + ")" + libmdb_said);
    }
    if (payload.empty()) {
        throw AccessError("the file cannot be read: the reader gave no answer" + libmdb_said);
    }
    try {
        return decode(payload);
    } catch (const AccessError& error) {
        throw AccessError(error.what() + libmdb_said);
    }
}

} // namespace kelvo::access
