// An old Access step table converted in place into SQLite, with its backup, and the
// failures that leave the original as it was. The Access files are the repository's own,
// made by tools/make-jet/make_jet.py; the rules of their values are repeated here.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt/steps/access_import.h"
#include "qt/steps/step_store.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVariant>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <utility>

namespace kelvo::qt::testing {
namespace {

namespace fs = std::filesystem;
using platform::FieldValue;
using Row = std::vector<FieldValue>;

const std::string kJet3 = (fs::path(KELVO_TEST_DATA) / "jet3-steps.mdb").string();
const std::string kJet4 = (fs::path(KELVO_TEST_DATA) / "jet4-steps.mdb").string();
constexpr int kJet3Steps = 2000;
constexpr int kJet4Steps = 200;
const FieldValue kEmpty = std::monostate{};

// The values of step i, as make_jet.py writes them.
double volts(int i) {
    return (i * 7 % 3100) / 100.0;
}
double amperes(int i) {
    return (i % 500) / 200.0;
}
double seconds(int i) {
    return (i % 60) * 0.5 + 1;
}
FieldValue number(double value) {
    return value;
}
FieldValue text(const char* value) {
    return std::string(value);
}

std::string bytes_of(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A folder of its own holding `bytes` as db1.mdb.
class Folder {
public:
    explicit Folder(const std::string& bytes) {
        std::string pattern = (fs::temp_directory_path() / "kelvo-access-XXXXXX").string();
        path_ = ::mkdtemp(pattern.data());
        std::ofstream(path_ / "db1.mdb", std::ios::binary) << bytes;
    }
    ~Folder() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    Folder(const Folder&) = delete;
    Folder& operator=(const Folder&) = delete;
    std::string file(const std::string& name) const { return (path_ / name).string(); }

private:
    fs::path path_;
};

// Keeps the monitor lines it is told.
class Notes final : public platform::Reporter {
public:
    void report(platform::Severity severity, const std::string& text, const std::string&) override {
        if (severity == platform::Severity::Note) {
            lines.push_back(text);
        }
    }
    void ask(const std::string&, const std::string&, const std::vector<std::string>&, int,
             std::function<void(int)>) override {}
    std::vector<std::string> lines;
};

// A copy of an Access file opened at one table as the program opens its step file, which
// converts it first and tells the monitor.
class Opened {
    Folder folder_; // made first and gone last: the record set keeps its file open

public:
    Opened(const std::string& source, const std::string& table) : folder_(bytes_of(source)) {
        records.set_reporter(notes);
        records.set_database(db());
        records.set_record_source(table);
        records.refresh();
    }
    std::string db() const { return folder_.file("db1.mdb"); }
    std::string backup() const { return folder_.file("db1.access-backup.mdb"); }
    // The line the monitor shows for a conversion of `rows` rows.
    std::string converted(const std::string& format, const std::string& table, int rows) const {
        return "Converted the Access (" + format + ") table " + table + " of " + db() + ", " +
               std::to_string(rows) + " rows, into an SQLite step table; the original is kept as " +
               backup();
    }
    std::vector<Row> rows() {
        std::vector<Row> all;
        records.move_first();
        for (int r = 0; r < records.record_count(); ++r, records.move_next()) {
            Row row;
            for (int f = 0; f < records.field_count(); ++f) {
                row.push_back(records.field(f));
            }
            all.push_back(std::move(row));
        }
        return all;
    }

    Notes notes;
    QtRecordSet records;
};

void expect_rows(const std::vector<Row>& rows, const std::vector<Row>& expected) {
    ASSERT_EQ(rows.size(), expected.size());
    for (std::size_t r = 0; r < rows.size(); ++r) {
        ASSERT_EQ(rows[r], expected[r]) << "row " << r + 1;
    }
}

TEST(AccessImport, ConvertsEveryRowInOrderAndKeepsTheOriginal) {
    // Jet 3: 2000 steps over 28 data pages; T is a Single.
    Opened opened(kJet3, "QZ7150PPS1");
    EXPECT_EQ(opened.notes.lines,
              std::vector<std::string>{opened.converted("Jet 3", "QZ7150PPS1", kJet3Steps)});
    EXPECT_EQ(bytes_of(opened.backup()), bytes_of(kJet3));

    std::vector<Row> expected;
    for (int i = 1; i <= kJet3Steps; ++i) {
        expected.push_back({number(i), volts(i), amperes(i), seconds(i)});
    }
    expect_rows(opened.rows(), expected);
}

TEST(AccessImport, ConvertsJet4WithItsTextsAndEmptyValues) {
    // Every seventh note and every eleventh time are empty; the notes need UCS-2.
    Opened opened(kJet4, "QZ7150PPS1");
    EXPECT_EQ(opened.notes.lines,
              std::vector<std::string>{opened.converted("Jet 4", "QZ7150PPS1", kJet4Steps)});
    EXPECT_EQ(bytes_of(opened.backup()), bytes_of(kJet4));

    std::vector<Row> expected;
    for (int i = 1; i <= kJet4Steps; ++i) {
        const std::string note = "Ω-Stufe " + std::to_string(i) + " →";
        expected.push_back({number(i), volts(i), amperes(i), i % 11 == 0 ? kEmpty : seconds(i),
                            i % 7 == 0 ? kEmpty : FieldValue(note)});
    }
    expect_rows(opened.rows(), expected);
}

TEST(AccessImport, DatesArriveAsTextAndAnEmptyDateStaysEmpty) {
    // The step check, not the conversion, refuses a date: it names the row.
    Opened opened(kJet4, "Zeiten");
    expect_rows(opened.rows(),
                {{number(1), number(5), number(1), number(60), text("2003-04-05 06:07:08")},
                 {number(2), number(6), number(1.5), number(90), kEmpty},
                 {number(3), number(7), number(2), number(120), text("1999-12-31 23:59:59")}});
}

TEST(AccessImport, FindsATableWhoseNameIsNotAscii) {
    // The name is CP1252 in the file; the ids rise by ten and are kept.
    Opened opened(kJet3, "Umsätze");
    EXPECT_EQ(opened.notes.lines,
              std::vector<std::string>{opened.converted("Jet 3", "Umsätze", 3)});
    expect_rows(opened.rows(), {{number(10), number(1.5), number(0.25), number(60)},
                                {number(20), number(3), number(0.5), number(120)},
                                {number(30), number(4.5), number(0.75), number(180)}});
}

// The declared type of each field of the converted table, by name.
std::vector<std::pair<std::string, std::string>> fields_of(const std::string& db,
                                                           const std::string& table) {
    std::vector<std::pair<std::string, std::string>> fields;
    {
        QSqlDatabase database =
            QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("fields"));
        database.setDatabaseName(QString::fromStdString(db));
        EXPECT_TRUE(database.open());
        QSqlQuery query(database);
        EXPECT_TRUE(query.exec(
            QStringLiteral("PRAGMA table_info(\"%1\")").arg(QString::fromStdString(table))));
        while (query.next()) {
            fields.emplace_back(query.value(1).toString().toStdString(),
                                query.value(2).toString().toStdString());
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("fields"));
    return fields;
}

TEST(AccessImport, KeepsTheFifthFieldAsTextUnderItsOwnNameAndEmptyValuesEmpty) {
    Opened opened(kJet3, "Ablauf");
    expect_rows(opened.rows(), {{number(1), number(5), number(1), number(10), text("Vorwärmen")},
                                {number(2), number(12), kEmpty, number(30), text("Halten – 30 s")},
                                {number(3), kEmpty, number(0.5), number(5), kEmpty},
                                {number(4), number(0), number(0), number(20), text("Abkühlen")},
                                // A text field stays text, even where it reads as a number.
                                {number(5), number(24), number(2.5), number(60), text("0815")}});
    using Field = std::pair<std::string, std::string>;
    EXPECT_EQ(fields_of(opened.db(), "Ablauf"), (std::vector<Field>{{"ID", "INTEGER"},
                                                                    {"U（V）", "REAL"},
                                                                    {"A（A）", "REAL"},
                                                                    {"T（S）", "REAL"},
                                                                    {"Bemerkung", "TEXT"}}));
}

TEST(AccessImport, FailuresLeaveTheOriginalAsItWas) {
    struct Case {
        std::string bytes;
        const char* table;
        const char* reason;
    };
    const std::string jet3 = bytes_of(kJet3);
    const std::vector<Case> cases{
        {jet3, "Einstellungen", "table Einstellungen has 3 fields"},
        // The catalog itself is no user's table.
        {jet3, "MSysObjects", "it has no table MSysObjects"},
        {jet3.substr(0, 30000), "QZ7150PPS1", "the file is damaged: its length (30000 bytes)"},
        // Cut after page 9: of the step table's data pages (72 rows each, from page 5),
        // five are left.
        {jet3.substr(0, std::size_t{10} * 2048), "QZ7150PPS1",
         "the file is damaged: only 360 of the 2000 rows of table QZ7150PPS1 can be read"},
        {"ID,U,A,T\n1,5,1,3\n", "QZ7150PPS1", "it is not an Access database"},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.reason);
        const Folder folder(test.bytes);
        const std::string db = folder.file("db1.mdb");
        try {
            import_access_database(db, test.table, std::chrono::seconds(2));
            ADD_FAILURE() << "converted";
        } catch (const platform::StartupError& error) {
            EXPECT_EQ(
                std::string(error.what())
                    .rfind("cannot convert the Access step table " + db + ": " + test.reason, 0),
                0U)
                << error.what();
        }
        EXPECT_EQ(bytes_of(db), test.bytes);
        EXPECT_FALSE(fs::exists(folder.file("db1.access-backup.mdb")));
    }
}

} // namespace
} // namespace kelvo::qt::testing
