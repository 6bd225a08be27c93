// Old Access step tables: the libmdb reader on public Jet 3 and Jet 4 files, the layout as
// a step table, and the conversion of db1.mdb in place with its backup and its failures.
#include "platform/access/mdb_reader.h"
#include "platform/qt/access_import.h"
#include "platform/qt/step_store.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <chrono>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <set>
#include <sstream>

namespace kelvo::qt::testing {
namespace {

namespace fs = std::filesystem;
using access::AccessError;
using access::ColumnKind;
using platform::FieldValue;

const fs::path kSamples = fs::path(KELVO_SHARED_TESTDATA) / "legacy-mdb";
const std::string kNwind = (kSamples / "nwind.mdb").string();
const std::string kDates = (kSamples / "DateTestDatabase.mdb").string();

FieldValue text(const char* value) {
    return std::string(value);
}

std::string bytes_of(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A folder of its own; the samples are read-only where CI keeps them.
class Folder {
public:
    Folder() {
        std::string pattern = (fs::temp_directory_path() / "kelvo-access-XXXXXX").string();
        path_ = ::mkdtemp(pattern.data());
    }
    ~Folder() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    Folder(const Folder&) = delete;
    Folder& operator=(const Folder&) = delete;

    std::string file(const std::string& name) const { return (path_ / name).string(); }
    std::string copy(const std::string& from, const std::string& name) const {
        fs::copy_file(from, path_ / name);
        fs::permissions(path_ / name, fs::perms::owner_read | fs::perms::owner_write,
                        fs::perm_options::add);
        return file(name);
    }
    void write(const std::string& name, const std::string& bytes) const {
        std::ofstream(path_ / name, std::ios::binary | std::ios::trunc) << bytes;
    }
    std::set<std::string> names() const {
        std::set<std::string> found;
        for (const auto& entry : fs::directory_iterator(path_)) {
            found.insert(entry.path().filename().string());
        }
        return found;
    }

private:
    fs::path path_;
};

// nwind.mdb cut off mid-page and filled up to whole pages: libmdb's catalog scan then runs
// without end.
std::string endless_copy(const Folder& folder) {
    std::string bytes = bytes_of(kNwind).substr(0, 1500000);
    bytes.resize(733 * 2048, '\0');
    folder.write("db1.mdb", bytes);
    return folder.file("db1.mdb");
}

// ---- the reader ---------------------------------------------------------------------------

TEST(MdbReader, TellsJetFilesByTheirSignature) {
    Folder folder;
    EXPECT_TRUE(access::is_jet_file(kNwind));
    EXPECT_TRUE(access::is_jet_file(kDates));
    folder.write("sqlite.mdb", std::string("SQLite format 3\0", 16) + std::string(100, '\0'));
    folder.write("short.mdb", std::string("\0\1\0\0Standard Jet", 17));
    folder.write("ace.accdb", std::string("\0\1\0\0Standard ACE DB\0", 20));
    EXPECT_FALSE(access::is_jet_file(folder.file("sqlite.mdb")));
    EXPECT_FALSE(access::is_jet_file(folder.file("short.mdb")));
    EXPECT_FALSE(access::is_jet_file(folder.file("missing.mdb")));
    EXPECT_TRUE(access::is_jet_file(folder.file("ace.accdb")));
}

TEST(MdbReader, ReadsAJet3TableByPosition) {
    const access::Table table = access::read_table(kNwind, "order details");
    EXPECT_EQ(table.name, "Order Details");
    EXPECT_EQ(table.format, "Jet 3");
    ASSERT_EQ(table.columns.size(), 5U);
    EXPECT_EQ(table.columns[2].name, "UnitPrice");
    for (const auto& column : table.columns) {
        EXPECT_EQ(column.kind, ColumnKind::Number) << column.name;
    }
    ASSERT_EQ(table.rows.size(), 2155U);
    // Long integer, currency, integer and single fields, in the table's own order.
    EXPECT_EQ(table.rows[0], (std::vector<FieldValue>{10248.0, 11.0, 14.0, 12.0, 0.0}));
    EXPECT_EQ(table.rows[1][2], FieldValue(9.8));
    EXPECT_EQ(table.rows[6][4], FieldValue(0.15000001)); // a single, as libmdb rounds it
    EXPECT_EQ(table.rows[2154][0], FieldValue(11077.0));
}

TEST(MdbReader, ReadsTextsDatesAndEmptyValuesOfTheNonAsciiTable) {
    const access::Table table = access::read_table(kNwind, "Umsätze");
    EXPECT_EQ(table.name, "Umsätze");
    ASSERT_EQ(table.columns.size(), 14U);
    EXPECT_EQ(table.columns[1].kind, ColumnKind::Text);
    EXPECT_EQ(table.columns[3].kind, ColumnKind::Date);
    ASSERT_EQ(table.rows.size(), 830U);
    const auto& second = table.rows[1];
    EXPECT_EQ(second[0], FieldValue(10331.0));
    EXPECT_EQ(second[1], text("BONAP"));
    EXPECT_EQ(second[3], text("1994-11-16 00:00:00"));
    EXPECT_EQ(second[7], FieldValue(10.19));
    EXPECT_EQ(second[8], text("Bon app'"));
    EXPECT_EQ(second[11], FieldValue());  // no region
    EXPECT_EQ(second[12], text("13008")); // a text field of digits stays text
    // Jet 3 texts are CP1252; they arrive as UTF-8.
    EXPECT_EQ(table.rows[2][8], text("Mère Paillarde"));
    EXPECT_EQ(table.rows[2][11], text("Québec"));
}

TEST(MdbReader, ReadsAJet4TableWithMemoFields) {
    const access::Table table = access::read_table(kDates, "DateTest");
    EXPECT_EQ(table.format, "Jet 4");
    ASSERT_EQ(table.columns.size(), 6U);
    EXPECT_EQ(table.columns[4].name, "LongTextCol");
    ASSERT_EQ(table.rows.size(), 6U);
    for (std::size_t row = 0; row < 6; ++row) {
        EXPECT_EQ(table.rows[row][0], FieldValue(static_cast<double>(row + 1)));
    }
    EXPECT_EQ(table.rows[0][1], text("2021-12-02 00:00:00"));
    EXPECT_EQ(table.rows[1][5], text("Year 1999"));
    EXPECT_EQ(table.rows[5][4], text("New line\r\nin field"));
    EXPECT_EQ(table.rows[5][5], text("No new line"));
}

TEST(MdbReader, ListsTablesAndLeavesPicturesUnread) {
    const access::JetDatabase database(kNwind);
    const auto names = database.table_names();
    EXPECT_EQ(names.size(), 9U);
    EXPECT_NE(std::find(names.begin(), names.end(), "Umsätze"), names.end());
    for (const auto& name : names) {
        EXPECT_NE(name.rfind("MSys", 0), 0U) << name;
    }
    const access::Table categories = database.read_table("Categories");
    ASSERT_EQ(categories.rows.size(), 8U);
    EXPECT_EQ(categories.columns[2].kind, ColumnKind::Text); // a memo
    EXPECT_EQ(categories.columns[3].kind, ColumnKind::Binary);
    EXPECT_EQ(categories.rows[3][2], text("Cheeses"));
    EXPECT_EQ(categories.rows[3][3], FieldValue());
}

// libmdb formats single and double fields with the C library; under a decimal-comma locale
// its "0.15000001" would be "0,15000001".
TEST(MdbReader, ReadsNumbersWhateverTheNumericLocale) {
    Folder locales;
    const std::string make =
        "localedef -i de_DE -f UTF-8 " + locales.file("de_DE.UTF-8") + " >/dev/null 2>&1";
    if (std::system(make.c_str()) != 0) {
        GTEST_SKIP() << "no German locale can be made here";
    }
    const std::string previous = std::getenv("LOCPATH") ? std::getenv("LOCPATH") : "";
    setenv("LOCPATH", locales.file("").c_str(), 1);
    ASSERT_NE(std::setlocale(LC_NUMERIC, "de_DE.UTF-8"), nullptr);
    std::vector<FieldValue> in_child;
    std::vector<FieldValue> in_process;
    try {
        in_child = access::read_table(kNwind, "Order Details").rows[6];
        in_process = access::JetDatabase(kNwind).read_table("Order Details").rows[6];
    } catch (...) {
    }
    std::setlocale(LC_NUMERIC, "C");
    previous.empty() ? unsetenv("LOCPATH") : setenv("LOCPATH", previous.c_str(), 1);
    const std::vector<FieldValue> expected{10250.0, 51.0, 42.4, 35.0, 0.15000001};
    EXPECT_EQ(in_child, expected);
    EXPECT_EQ(in_process, expected);
}

TEST(MdbReader, ReportsWhatItCannotRead) {
    Folder folder;
    folder.write("text.mdb", "just some text\n");
    const auto reason = [](const std::string& path, const std::string& table) {
        try {
            access::read_table(path, table, std::chrono::seconds(2));
        } catch (const AccessError& error) {
            return std::string(error.what());
        }
        return std::string("(read)");
    };
    EXPECT_EQ(reason(kNwind, "QZ7150PPS1"), "it has no table QZ7150PPS1");
    EXPECT_EQ(reason(kNwind, "MSysObjects"), "it has no table MSysObjects");
    EXPECT_EQ(reason(folder.file("text.mdb"), "T"), "it is not an Access database");
    EXPECT_EQ(reason(folder.file("none.mdb"), "T"), "the file does not exist");

    folder.write("cut.mdb", bytes_of(kNwind).substr(0, 1000000));
    EXPECT_NE(reason(folder.file("cut.mdb"), "Order Details").find("not a whole number of"),
              std::string::npos);

    // A scan that never ends is stopped.
    const std::string endless = endless_copy(folder);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_NE(reason(endless, "Shippers").find("did not finish within 2000 ms"), std::string::npos);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

// ---- the step-table layout ----------------------------------------------------------------

access::Table numbers_table(std::vector<std::vector<FieldValue>> rows, std::size_t fields = 4) {
    access::Table table;
    table.name = "Steps";
    const std::vector<std::string> names{"No", "Volts", "Amps", "Secs", "Note", "More"};
    for (std::size_t i = 0; i < fields; ++i) {
        table.columns.push_back({names.at(i), ColumnKind::Number});
    }
    table.rows = std::move(rows);
    return table;
}

TEST(StepLayout, KeepsRisingWholeIdsAndNumbersTheRestByPosition) {
    const auto ids = [](std::vector<std::vector<FieldValue>> rows) {
        return to_step_records(numbers_table(std::move(rows))).ids;
    };
    const std::vector<FieldValue> a{5.0, 1.0, 2.0, 3.0};
    EXPECT_EQ(ids({{3.0, 1.0, 2.0, 3.0}, {7.0, 1.0, 2.0, 3.0}, {40.0, 0.0, 0.0, 0.0}}),
              (std::vector<std::int64_t>{3, 7, 40}));
    // Falling, repeated, fractional or empty ids would not keep the table's own order.
    EXPECT_EQ(ids({{7.0, 1.0, 2.0, 3.0}, {3.0, 1.0, 2.0, 3.0}}), (std::vector<std::int64_t>{1, 2}));
    EXPECT_EQ(ids({a, a}), (std::vector<std::int64_t>{1, 2}));
    EXPECT_EQ(ids({{1.5, 1.0, 2.0, 3.0}}), (std::vector<std::int64_t>{1}));
    EXPECT_EQ(ids({{1.0, 1.0, 2.0, 3.0}, {FieldValue(), 1.0, 2.0, 3.0}}),
              (std::vector<std::int64_t>{1, 2}));

    access::Table named = numbers_table({{text("A"), 1.0, 2.0, 3.0}});
    named.columns[0].kind = ColumnKind::Text;
    EXPECT_EQ(to_step_records(named).ids, (std::vector<std::int64_t>{1}));
}

TEST(StepLayout, PassesValuesThroughAndNamesTheFifthField) {
    access::Table table = numbers_table(
        {{1.0, 12.5, FieldValue(), text("3,5"), text("first")}, {2.0, 0.0, 1.0, 2.0, FieldValue()}},
        5);
    table.columns[4].kind = ColumnKind::Text;
    const StepRecords records = to_step_records(table);
    EXPECT_EQ(records.fifth_field, std::optional<std::string>("Note"));
    EXPECT_FALSE(records.fifth_is_number);
    ASSERT_EQ(records.values.size(), 2U);
    EXPECT_EQ(records.values[0],
              (std::vector<FieldValue>{12.5, FieldValue(), text("3,5"), text("first")}));

    table.columns[4].name = "u（v）";
    EXPECT_EQ(to_step_records(table).fifth_field, std::optional<std::string>("F5"));
    table.columns[4].name = "id";
    EXPECT_EQ(to_step_records(table).fifth_field, std::optional<std::string>("F5"));
    EXPECT_FALSE(to_step_records(numbers_table({})).fifth_field.has_value());
}

TEST(StepLayout, RefusesTablesThatAreNoStepTables) {
    const auto reason = [](const access::Table& table) {
        try {
            to_step_records(table);
        } catch (const AccessError& error) {
            return std::string(error.what());
        }
        return std::string("(accepted)");
    };
    EXPECT_EQ(reason(numbers_table({}, 3)),
              "table Steps has 3 fields; a step table has 4 (id, volts, amperes, seconds) or 5");
    EXPECT_EQ(reason(numbers_table({}, 6)).substr(0, 20), "table Steps has 6 fi");
    access::Table pictures = numbers_table({});
    pictures.columns[3].kind = ColumnKind::Binary;
    EXPECT_EQ(reason(pictures), "field Secs of table Steps holds pictures or other binary data");
}

TEST(StepLayout, WritesTextsAndEmptyValuesAsSuch) {
    Folder folder;
    StepRecords records;
    records.fifth_field = "Note";
    records.ids = {4, 9};
    records.values = {{text("5"), FieldValue(), text("3,5"), text("007")},
                      {1.25, 2.0, 3.0, FieldValue()}};
    write_step_table(folder.file("steps.db"), "QZ7150PPS1", records);

    const QString connection = QStringLiteral("access-test-written");
    {
        QSqlDatabase database = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        database.setDatabaseName(QString::fromStdString(folder.file("steps.db")));
        ASSERT_TRUE(database.open());
        QSqlQuery query(QStringLiteral("SELECT * FROM QZ7150PPS1"), database);
        const QSqlRecord fields = query.record();
        ASSERT_EQ(fields.count(), 5);
        EXPECT_EQ(fields.fieldName(0), QStringLiteral("ID"));
        EXPECT_EQ(fields.fieldName(1), QStringLiteral("U（V）"));
        EXPECT_EQ(fields.fieldName(2), QStringLiteral("A（A）"));
        EXPECT_EQ(fields.fieldName(3), QStringLiteral("T（S）"));
        EXPECT_EQ(fields.fieldName(4), QStringLiteral("Note"));
        ASSERT_TRUE(query.next());
        EXPECT_EQ(query.value(0).toLongLong(), 4);
        EXPECT_EQ(query.value(1).typeId(), QMetaType::Double); // digits in a REAL field
        EXPECT_EQ(query.value(1).toDouble(), 5.0);
        EXPECT_TRUE(query.value(2).isNull());
        EXPECT_EQ(query.value(3).toString(), QStringLiteral("3,5"));
        EXPECT_EQ(query.value(4).toString(), QStringLiteral("007")); // a TEXT field
        ASSERT_TRUE(query.next());
        EXPECT_EQ(query.value(0).toLongLong(), 9);
        EXPECT_EQ(query.value(1).toDouble(), 1.25);
        EXPECT_TRUE(query.value(4).isNull());
        EXPECT_FALSE(query.next());
    }
    QSqlDatabase::removeDatabase(connection);
    EXPECT_THROW(write_step_table(folder.file("steps.db"), "QZ7150PPS1", records),
                 std::runtime_error); // the table is there already
}

// ---- the conversion in place --------------------------------------------------------------

// What mdb-export shows of a table: its CSV lines without the heading.
std::vector<std::vector<std::string>> exported(const std::string& file, const std::string& table) {
    const std::string command = "mdb-export -H '" + file + "' '" + table + "'";
    std::FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return {};
    }
    std::string output;
    std::array<char, 4096> chunk{};
    while (const std::size_t got = std::fread(chunk.data(), 1, chunk.size(), pipe)) {
        output.append(chunk.data(), got);
    }
    ::pclose(pipe);
    std::vector<std::vector<std::string>> rows;
    std::istringstream lines(output);
    for (std::string line; std::getline(lines, line);) {
        std::vector<std::string> fields;
        std::istringstream cells(line);
        for (std::string cell; std::getline(cells, cell, ',');) {
            fields.push_back(cell);
        }
        rows.push_back(fields);
    }
    return rows;
}

double number(const std::string& text) {
    double value = -12345;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

TEST(AccessImport, ConvertsEveryRowInOrderAsMdbExportShowsIt) {
    Folder folder;
    const std::string db = folder.copy(kNwind, "db1.mdb");
    const auto expected = exported(kNwind, "Order Details");
    ASSERT_EQ(expected.size(), 2155U) << "mdb-export (package mdbtools) is needed";

    const std::string line = import_access_database(db, "Order Details");
    EXPECT_EQ(line, "kelvo: converted the Access (Jet 3) table Order Details of " + db +
                        ", 2155 rows, into an SQLite step table; the original is kept as " +
                        folder.file("db1.access-backup.mdb"));
    EXPECT_EQ(folder.names(), (std::set<std::string>{"db1.mdb", "db1.access-backup.mdb"}));
    EXPECT_EQ(bytes_of(folder.file("db1.access-backup.mdb")), bytes_of(kNwind));
    EXPECT_EQ(bytes_of(db).substr(0, 16), std::string("SQLite format 3\0", 16));

    // Read as the program reads it. Order ids repeat, so the rows are numbered instead.
    QtRecordSet records;
    records.set_database(db);
    records.set_record_source("Order Details");
    records.refresh();
    ASSERT_EQ(records.record_count(), 2155);
    ASSERT_EQ(records.field_count(), 5);
    records.move_first();
    int mismatches = 0;
    for (std::size_t row = 0; row < expected.size(); ++row, records.move_next()) {
        ASSERT_EQ(expected[row].size(), 5U);
        bool same = records.field(0) == FieldValue(static_cast<double>(row + 1));
        for (int field = 1; field < 5; ++field) {
            same = same && records.field(field) ==
                               FieldValue(number(expected[row][static_cast<std::size_t>(field)]));
        }
        if (!same && ++mismatches <= 3) {
            ADD_FAILURE() << "row " << row + 1 << " differs from mdb-export";
        }
    }
    EXPECT_EQ(mismatches, 0);
}

TEST(AccessImport, NeverOverwritesAnEarlierBackup) {
    Folder folder;
    const std::string db = folder.copy(kNwind, "db1.mdb");
    folder.write("db1.access-backup.mdb", "an earlier backup");
    const std::string line = import_access_database(db, "Order Details");
    EXPECT_NE(line.find("kept as " + folder.file("db1.access-backup-2.mdb")), std::string::npos);
    EXPECT_EQ(bytes_of(folder.file("db1.access-backup.mdb")), "an earlier backup");
    EXPECT_EQ(bytes_of(folder.file("db1.access-backup-2.mdb")), bytes_of(kNwind));
    EXPECT_EQ(folder.names(), (std::set<std::string>{"db1.mdb", "db1.access-backup.mdb",
                                                     "db1.access-backup-2.mdb"}));
}

TEST(AccessImport, FailuresLeaveTheOriginalAsItWas) {
    struct Case {
        const char* what;
        std::function<std::string(const Folder&)> make; // returns the file
        const char* table;
        const char* reason;
    };
    const std::vector<Case> cases{
        {"no such table", [](const Folder& f) { return f.copy(kNwind, "db1.mdb"); }, "QZ7150PPS1",
         "it has no table QZ7150PPS1"},
        {"three fields", [](const Folder& f) { return f.copy(kNwind, "db1.mdb"); }, "Shippers",
         "table Shippers has 3 fields"},
        {"pictures", [](const Folder& f) { return f.copy(kNwind, "db1.mdb"); }, "Categories",
         "field Picture of table Categories holds pictures"},
        {"cut short",
         [](const Folder& f) {
             f.write("db1.mdb", bytes_of(kNwind).substr(0, 1000000));
             return f.file("db1.mdb");
         },
         "Order Details", "the file is damaged: its length (1000000 bytes)"},
        {"table list overwritten",
         [](const Folder& f) {
             std::string bytes = bytes_of(kNwind);
             bytes.replace(2 * 2048, 2048, std::string(2048, '\xA5'));
             f.write("db1.mdb", bytes);
             return f.file("db1.mdb");
         },
         "Order Details", "the file is damaged: its list of tables cannot be read"},
        {"endless scan", endless_copy, "Order Details", "the file is damaged: reading it"},
        {"not Access",
         [](const Folder& f) {
             f.write("db1.mdb", "ID,U,A,T\n1,5,1,3\n");
             return f.file("db1.mdb");
         },
         "QZ7150PPS1", "it is not an Access database"},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.what);
        Folder folder;
        const std::string db = test.make(folder);
        const std::string before = bytes_of(db);
        const auto names = folder.names();
        try {
            import_access_database(db, test.table, std::chrono::seconds(2));
            ADD_FAILURE() << "converted";
        } catch (const platform::StartupError& error) {
            const std::string message = error.what();
            EXPECT_EQ(
                message.rfind("cannot convert the Access step table " + db + ": " + test.reason, 0),
                0U)
                << message;
        }
        EXPECT_EQ(bytes_of(db), before);
        EXPECT_EQ(folder.names(), names);
    }
}

} // namespace
} // namespace kelvo::qt::testing
