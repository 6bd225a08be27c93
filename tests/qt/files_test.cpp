// The program's files on the real file system: records that are whole or absent, and the
// journal that keeps a running period on disk.
#include "qt_fixture.h"

#include "platform/qt/files.h"

#include <sys/resource.h>

#include <algorithm>
#include <csignal>
#include <vector>

namespace kelvo::qt::testing {
namespace {

std::vector<std::string> names_in(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

TEST(Files, ARecordIsWholeOrNotThereAtAll) {
    ProgramFolder folder;
    StdFileSystem files(folder.path());
    const std::string record = folder.file("Record");
    EXPECT_EQ(files.create_folder(record + "/deeper"), "");
    EXPECT_TRUE(files.folder_exists(record + "/deeper"));

    const std::string path = record + "/2026127900.TXT";
    EXPECT_EQ(files.write_new_file(path, "first\r\n"), "");
    EXPECT_FALSE(files.write_new_file(path, "second\r\n").empty()); // never over a record
    EXPECT_EQ(files.read_file(path), "first\r\n");

    // A file too big for the disk (here: for the process's file size limit) leaves
    // nothing under its name, not a short file that looks complete.
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit before{};
    ::getrlimit(RLIMIT_FSIZE, &before);
    rlimit small = before;
    small.rlim_cur = 4096;
    ::setrlimit(RLIMIT_FSIZE, &small);
    const std::string big = record + "/2026127901.TXT";
    const std::string reason = files.write_new_file(big, std::string(100000, 'x'));
    ::setrlimit(RLIMIT_FSIZE, &before);
    EXPECT_FALSE(reason.empty());
    EXPECT_FALSE(files.file_exists(big));
    EXPECT_EQ(names_in(record), (std::vector<std::string>{"2026127900.TXT", "deeper"}));
}

TEST(Files, TheJournalIsOnDiskWhileItRunsAndOnlyOthersAreAbandoned) {
    ProgramFolder folder;
    const std::string record = folder.file("Record");
    std::filesystem::create_directory(record);
    {
        StdFileSystem files(folder.path());
        files.set_sync_interval_ms(20);
        ASSERT_EQ(files.open_journal(record), "");
        const std::string journal = files.journal_path();
        EXPECT_EQ(files.append_journal("KELVO\r\n"), "");
        EXPECT_EQ(files.append_journal("line"), "");
        // Another program (or this one's next start) sees the file, and leaves it be while
        // it is held.
        EXPECT_EQ(files.read_file(journal), "KELVO\r\nline");
        StdFileSystem other(folder.path());
        EXPECT_TRUE(other.abandoned_journals(record).empty());

        // Saved: the journal goes.
        files.discard_journal();
        EXPECT_FALSE(files.file_exists(journal));

        // Not saved, or the program goes while the output is on: it stays, free.
        ASSERT_EQ(files.open_journal(record), "");
        const std::string kept = files.journal_path();
        EXPECT_EQ(files.append_journal("period two"), "");
        files.close_journal();
        ASSERT_EQ(files.open_journal(record), "");
        EXPECT_EQ(files.append_journal("period three"), "");
        const auto abandoned = other.abandoned_journals(record);
        ASSERT_EQ(abandoned.size(), 1u);
        EXPECT_EQ(abandoned[0].path, kept);
        EXPECT_GE(abandoned[0].last_written.year, 2026);
    }
    // The program is gone with a period open: both periods wait for the next start.
    StdFileSystem next(folder.path());
    const auto left = next.abandoned_journals(record);
    ASSERT_EQ(left.size(), 2u);
    EXPECT_EQ(next.read_file(left[1].path), "period three");
    EXPECT_EQ(next.remove_file(left[0].path), "");
    EXPECT_EQ(next.abandoned_journals(record).size(), 1u);
}

TEST(Files, AJournalInAFolderThatCannotBeWrittenIsRefused) {
    ProgramFolder folder;
    StdFileSystem files(folder.path());
    EXPECT_FALSE(files.open_journal(folder.file("missing")).empty());
    EXPECT_FALSE(files.append_journal("x").empty());
    EXPECT_TRUE(files.journal_path().empty());
}

} // namespace
} // namespace kelvo::qt::testing
