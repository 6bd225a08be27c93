// Where the icon and the step table are found: a portable copy keeps them beside the
// program; an installed one gives the user a copy of the sample once and keeps it.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/form1.h"
#include "fake/fake_platform.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace kelvo::testing {
namespace {

constexpr const char* kSample = "/usr/share/kelvo/db1.mdb";
constexpr const char* kUserTable = "/home/user/.local/share/kelvo/db1.mdb";

struct Started {
    explicit Started(const std::map<std::string, std::string>& files,
                     const std::set<std::string>& read_only = {}) {
        ui.files.files = files;
        ui.files.read_only = read_only;
        // A first start: the user's data folder is not there yet.
        ui.files.folders.erase("/home/user/.local/share/kelvo");
        form.Form_Load();
    }
    fake::FakeForm ui;
    Form1 form{ui.controls()};
};

TEST(DataFilesTest, PortableCopyKeepsItsTableAndIconBesideTheProgram) {
    const Started portable({{"/prog/db1.mdb", "own"},
                            {"/prog/PPS.ico", "icon"},
                            {kSample, "sample"},
                            {"/usr/share/kelvo/PPS.ico", "icon"}});
    EXPECT_EQ(portable.ui.Adodc1.database, "/prog/db1.mdb");
    EXPECT_EQ(portable.ui.window.icon_path, "/prog/PPS.ico");
    EXPECT_EQ(portable.ui.files.files.count(kUserTable), 0U);
}

TEST(DataFilesTest, InstalledProgramCopiesTheSampleOnceAndNeverOverwritesIt) {
    const std::map<std::string, std::string> installed{{kSample, "sample"},
                                                       {"/usr/share/kelvo/PPS.ico", "icon"}};
    // The program's folder holds only the binary (or cannot be written): /usr/bin.
    const Started first(installed, {"/prog"});
    EXPECT_EQ(first.ui.Adodc1.database, kUserTable);
    EXPECT_EQ(first.ui.files.files.at(kUserTable), "sample");
    EXPECT_EQ(first.ui.window.icon_path, "/usr/share/kelvo/PPS.ico");

    auto edited = installed;
    edited[kUserTable] = "the user's steps";
    const Started again(edited);
    EXPECT_EQ(again.ui.Adodc1.database, kUserTable);
    EXPECT_EQ(again.ui.files.files.at(kUserTable), "the user's steps");
}

TEST(DataFilesTest, RecordsGoBesideAPortableCopyAndToTheUsersFolderWhenInstalled) {
    const std::string user_records = "/home/user/.local/share/kelvo/Record";
    using Files = std::map<std::string, std::string>;
    const Started portable(Files{{"/prog/db1.mdb", "own"}, {kSample, "sample"}});
    EXPECT_EQ(portable.form.record_folders(),
              (std::vector<std::string>{"/prog/Record", user_records}));
    // Installed under the user's own prefix: the program folder (~/.local/bin) can be
    // written, but it is no place for records.
    const Started installed(Files{{kSample, "sample"}});
    EXPECT_EQ(installed.form.record_folders(),
              (std::vector<std::string>{user_records, "/prog/Record"}));
}

TEST(DataFilesTest, SampleIsShownAndTheMonitorSaysWhyWhenNoCopyCanBeMade) {
    const Started refused({{kSample, "sample"}}, {"/home/user/.local/share"});
    EXPECT_EQ(refused.ui.Adodc1.database, kSample);
    const auto lines = refused.ui.Picture2.printed_lines();
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [](const std::string& line) {
        return line.find(kUserTable) != std::string::npos &&
               line.find("Permission denied") != std::string::npos;
    })) << ::testing::PrintToString(lines);
}

} // namespace
} // namespace kelvo::testing
