// Files planted in the program's folders on the real file system: a link under the name a
// save is about to use, a folder that is a link, journals that are links, FIFOs or not the
// program's, and FIFOs where start-up reads. Nothing is written outside the folder, no
// private file is copied, and nothing is waited on.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "posix/files.h"
#include "posix/own_folder.h"
#include "qt/serial/port_probe.h"
#include "qt/steps/step_store.h"
#include "qt_fixture.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fstream>
#include <future>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace kelvo::qt::testing {
namespace {

namespace fs = std::filesystem;

std::string contents(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void put(const std::string& path, const std::string& bytes, mode_t mode = 0644) {
    std::ofstream(path, std::ios::binary) << bytes;
    ::chmod(path.c_str(), mode);
}

bool is_link(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode);
}

// Runs `work` and gives it five seconds; a FIFO that held it is then opened for writing,
// which lets it go, and the test fails instead of hanging.
template <typename Work> void within_seconds(const std::vector<std::string>& fifos, Work work) {
    auto done = std::async(std::launch::async, work);
    if (done.wait_for(std::chrono::seconds(5)) == std::future_status::timeout) {
        ADD_FAILURE() << "waited on a FIFO";
        for (const std::string& fifo : fifos) {
            ::close(::open(fifo.c_str(), O_WRONLY | O_NONBLOCK));
        }
    }
    done.get();
}

class PlantedFiles : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(::mkdir(record.c_str(), 0755), 0);
        ASSERT_EQ(::mkdir(elsewhere.c_str(), 0700), 0);
        put(secret, "the user's private text\n", 0600);
    }
    ProgramFolder folder;
    posix::StdFileSystem files{folder.path()};
    const std::string record = folder.file("Record");
    const std::string elsewhere = folder.file("private");
    const std::string secret = elsewhere + "/secret";
};

TEST_F(PlantedFiles, ASaveNeverWritesThroughALinkUnderTheNameItUses) {
    // The save's first name is no secret: the record's own and the program's process.
    const std::string path = record + "/2026126117.TXT";
    const std::string partial = path + ".partial-" + std::to_string(::getpid());
    ASSERT_EQ(::symlink(secret.c_str(), partial.c_str()), 0);
    ASSERT_EQ(::symlink((elsewhere + "/made").c_str(), (partial + "-2").c_str()), 0);
    EXPECT_EQ(files.write_new_file(path, "KELVO\r\n"), "");
    EXPECT_EQ(contents(secret), "the user's private text\n");
    EXPECT_FALSE(fs::exists(elsewhere + "/made"));
    EXPECT_FALSE(is_link(path));
    EXPECT_EQ(contents(path), "KELVO\r\n");
    EXPECT_FALSE(fs::exists(partial + "-3")); // the partial it did write is gone

    // A link at the record's name, even one that leads nowhere, is a name taken.
    const std::string taken = record + "/2026126118.TXT";
    ASSERT_EQ(::symlink((elsewhere + "/made").c_str(), taken.c_str()), 0);
    EXPECT_TRUE(files.file_exists(taken));
    EXPECT_EQ(files.write_new_file(taken, "KELVO\r\n"), std::strerror(EEXIST));
    EXPECT_FALSE(fs::exists(elsewhere + "/made"));
    EXPECT_TRUE(is_link(taken));

    // The limits file is put in place the same way.
    const std::string limits = record + "/limits.conf";
    ASSERT_EQ(
        ::symlink(secret.c_str(), (limits + ".partial-" + std::to_string(::getpid())).c_str()), 0);
    EXPECT_EQ(files.replace_file(limits, "max-voltage=5\n"), "");
    EXPECT_EQ(contents(secret), "the user's private text\n");
    EXPECT_EQ(contents(limits), "max-voltage=5\n");
}

TEST_F(PlantedFiles, ARecordFolderThatIsALinkIsRefusedNotEntered) {
    ASSERT_EQ(::rmdir(record.c_str()), 0);
    ASSERT_EQ(::symlink(elsewhere.c_str(), record.c_str()), 0);
    put(elsewhere + "/unfinished-20261206-011700-4242-1.journal", "KELVO\r\n");
    const std::string refusal = "it is a link, not a folder; links are not followed here";
    EXPECT_FALSE(files.folder_exists(record));
    EXPECT_EQ(files.create_folder(record), refusal);
    EXPECT_EQ(files.write_new_file(record + "/2026126117.TXT", "KELVO\r\n"), refusal);
    EXPECT_EQ(files.open_journal(record), refusal);
    EXPECT_EQ(files.replace_file(record + "/limits.conf", "x"), refusal);
    EXPECT_TRUE(files.abandoned_journals(record).empty());
    EXPECT_EQ(std::distance(fs::directory_iterator(elsewhere), fs::directory_iterator()), 2);
}

TEST_F(PlantedFiles, RecoveryTakesOnlyTheProgramsOwnJournalsAndWaitsOnNone) {
    const std::string name = record + "/unfinished-20261206-0117";
    put(name + "00-4242-1.journal", "KELVO\r\n");
    ASSERT_EQ(::symlink(secret.c_str(), (name + "01-4242-1.journal").c_str()), 0);
    const std::string fifo = name + "02-4242-1.journal";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    ASSERT_EQ(::mkdir((name + "03-4242-1.journal").c_str(), 0700), 0);
    put(record + "/notes.journal", "my notes\n");
    put(name + "04-4242-1.journal.bak", "KELVO\r\n"); // not named like a journal at all

    std::vector<platform::FileSystem::Journal> found;
    within_seconds({fifo}, [&] { found = files.abandoned_journals(record); });
    ASSERT_EQ(found.size(), 5u);
    EXPECT_EQ(found[0].path, record + "/notes.journal");
    EXPECT_EQ(found[0].refusal, "a name this program never gives");
    EXPECT_EQ(found[1].refusal, "");
    EXPECT_EQ(found[1].size, 7u);
    EXPECT_EQ(found[2].refusal, "it is a link, not a regular file");
    EXPECT_EQ(found[3].refusal, "it is a FIFO, not a regular file");
    EXPECT_EQ(found[4].refusal, "it is a folder, not a regular file");

    EXPECT_EQ(files.read_journal(found[1].path, 100), "KELVO\r\n");
    EXPECT_EQ(files.read_journal(found[1].path, 6), std::nullopt);
    EXPECT_EQ(files.read_journal(found[2].path, 100), std::nullopt);
    EXPECT_EQ(files.read_journal(record + "/notes.journal", 100), std::nullopt);
    within_seconds({fifo}, [&] { EXPECT_EQ(files.read_journal(fifo, 100), std::nullopt); });

    // Another user's file is that user's, even in our folder (only root can plant one).
    if (::geteuid() == 0 && ::chown(found[1].path.c_str(), 4242, 4242) == 0) {
        EXPECT_EQ(files.abandoned_journals(record)[1].refusal, "another user's file");
        EXPECT_EQ(files.read_journal(found[1].path, 100), std::nullopt);
    }
}

TEST(JournalName, OnlyTheNamesTheProgramGivesAreItsOwn) {
    EXPECT_TRUE(posix::is_journal_name(posix::journal_name("20261206-011700", 4242, 1)));
    EXPECT_TRUE(posix::is_journal_name("unfinished-20261206-011700-4242-12.journal"));
    for (const char* other :
         {"unfinished-notes.journal", "unfinished-20261206-011700-4242.journal",
          "unfinished-2026126-011700-4242-1.journal", "unfinished-20261206-011700-4242-1-.journal",
          "unfinished-20261206-011700-42x2-1.journal", "unfinished-.journal"}) {
        EXPECT_FALSE(posix::is_journal_name(other)) << other;
    }
}

TEST_F(PlantedFiles, WhatStartUpReadsIsRefusedWhenItWouldBeWaitedOn) {
    const std::string fifo = folder.file("fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(posix::unwaitable_refusal(fifo), "it is a FIFO, not a regular file");
    EXPECT_EQ(posix::unwaitable_refusal("/dev/null"), "it is a device, not a regular file");
    EXPECT_EQ(posix::unwaitable_refusal(record), "it is a folder, not a regular file");
    EXPECT_EQ(posix::unwaitable_refusal(secret), "");
    EXPECT_EQ(posix::unwaitable_refusal(folder.file("missing")), "");

    // The step table.
    const std::string table = folder.file("db1.mdb");
    ASSERT_EQ(::unlink(table.c_str()), 0);
    ASSERT_EQ(::mkfifo(table.c_str(), 0600), 0);
    within_seconds({table}, [&] {
        QtRecordSet steps;
        steps.set_database(table);
        steps.set_record_source("PPS");
        try {
            steps.refresh();
            ADD_FAILURE() << "a FIFO opened as the step table";
        } catch (const platform::StartupError& error) {
            EXPECT_EQ(std::string(error.what()),
                      "cannot open the step table " + table + ": it is a FIFO, not a regular file");
        }
    });

    // A FIFO under a serial lock's name in /tmp, where anyone may put one, is no lock.
    PseudoTerminal line;
    const std::string lock = lock_file_name("/tmp", line.slave());
    ASSERT_EQ(::mkfifo(lock.c_str(), 0600), 0);
    within_seconds({lock}, [&] { EXPECT_EQ(probe_port(line.slave()), platform::PortState::Free); });
    ::unlink(lock.c_str());
}

} // namespace
} // namespace kelvo::qt::testing
