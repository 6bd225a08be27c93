// An old Access step table converted in place into SQLite, with its backup, and the
// failures that leave the original as it was.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt/steps/access_import.h"
#include "qt/steps/step_store.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace kelvo::qt::testing {
namespace {

namespace fs = std::filesystem;
using platform::FieldValue;

const std::string kNwind = (fs::path(KELVO_SHARED_TESTDATA) / "legacy-mdb" / "nwind.mdb").string();

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

// The sample Access file is not part of the repository: without it these tests say so and
// skip.
#define KELVO_NEED_NWIND()                                                                         \
    if (!fs::exists(kNwind)) {                                                                     \
        GTEST_SKIP() << "no sample Access file at " << kNwind;                                     \
    }

TEST(AccessImport, ConvertsEveryRowInOrderAndKeepsTheOriginal) {
    KELVO_NEED_NWIND();
    const Folder folder(bytes_of(kNwind));
    const std::string db = folder.file("db1.mdb");
    // Opened as the program opens it, which converts it first and tells the monitor.
    Notes notes;
    QtRecordSet records;
    records.set_reporter(notes);
    records.set_database(db);
    records.set_record_source("Order Details");
    records.refresh();
    EXPECT_EQ(notes.lines, std::vector<std::string>{
                               "Converted the Access (Jet 3) table Order Details of " + db +
                               ", 2155 rows, into an SQLite step table; the original is kept as " +
                               folder.file("db1.access-backup.mdb")});
    EXPECT_EQ(bytes_of(folder.file("db1.access-backup.mdb")), bytes_of(kNwind));

    // Order ids repeat, so the rows are numbered instead.
    ASSERT_EQ(records.record_count(), 2155);
    records.move_first();
    records.move_next();
    EXPECT_EQ(records.field(0), FieldValue(2.0));
    EXPECT_EQ(records.field(1), FieldValue(42.0));
    EXPECT_EQ(records.field(2), FieldValue(9.8));
}

TEST(AccessImport, FailuresLeaveTheOriginalAsItWas) {
    KELVO_NEED_NWIND();
    struct Case {
        std::string bytes;
        const char* table;
        const char* reason;
    };
    const std::vector<Case> cases{
        {bytes_of(kNwind), "Shippers", "table Shippers has 3 fields"},
        {bytes_of(kNwind).substr(0, 1000000), "Order Details",
         "the file is damaged: its length (1000000 bytes)"},
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
