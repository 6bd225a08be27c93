// Journals found at start-up: a period a crash left open becomes a record, and nothing else
// named like a journal does (junk, a planted copy of a private file, a file the platform
// would not open): each is left where it is and named once, and the start goes on.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "record/journal_check.h"
#include "scenario/fixture.h"

#include <algorithm>

namespace kelvo::testing {
namespace {

const std::string kHead = "KELVO\r\nVersion: 1.0\r\n2026-12-6   1:17:00";
const std::string kLine = "\r\n1:17:01          12.34V          0.567A";

TEST(JournalCheck, TakesWhatTheProgramWritesAndACrashCutsShort) {
    const std::string on = "\x1e"
                           "2026-12-06T01:17:00.000+01:00,output on,button,\n";
    EXPECT_EQ(journal_refusal(kHead), "");
    EXPECT_EQ(journal_refusal(kHead + on + kLine + "\x1d\n" + kLine), "");
    // Cut anywhere in its last line or its last mark.
    const std::string whole = kHead + kLine + kLine + on;
    for (std::size_t size = kHead.size(); size <= whole.size(); ++size) {
        EXPECT_EQ(journal_refusal(whole.substr(0, size)), "") << whole.substr(0, size);
    }
}

TEST(JournalCheck, RefusesAnythingElseAndNamesTheLine) {
    EXPECT_EQ(journal_refusal("#!/bin/sh\nrm -rf ~\n"), "it does not begin as a record does");
    EXPECT_EQ(journal_refusal("KELVO\r\nVersion: 1.0\r\nroot:x:0:0:root:/root:/bin/bash\r\n"),
              "it does not begin as a record does");
    // A date line cut by the crash holds no byte a record never holds either.
    EXPECT_EQ(journal_refusal("KELVO\r\nVersion: 1.0\r\n2026-12-6\n"),
              "it does not begin as a record does");
    EXPECT_EQ(journal_refusal(kHead + kLine + "\r\nssh-rsa AAAAB3NzaC1yc2E" + kLine),
              "line 5 is not a reading line");
    // A reading line that is one only in part, or with a byte no record holds.
    EXPECT_EQ(journal_refusal(kHead + "\r\n1:17:01          12.34V" + kLine),
              "line 4 is not a reading line");
    EXPECT_EQ(journal_refusal(kHead + "\r\n1:17:01\t          12.34V          0.567A" + kLine),
              "line 4 is not a reading line");
    EXPECT_EQ(journal_refusal(kHead + kLine +
                              "\x1e"
                              "not,a,row\n" +
                              kLine),
              "a timeline row at line 4 cannot be read");
    EXPECT_EQ(journal_refusal(kHead + kLine + "\x1dx" + kLine), "line 4 is not a reading line");
    // The last line is let off only as long as a record line could be.
    EXPECT_EQ(journal_refusal(kHead + "\r\n" + std::string(300, 'x')),
              "line 4 is not a reading line");
    EXPECT_EQ(journal_refusal(std::string(kJournalMaxBytes + 1, 'x')), "larger than 64 MB");
}

class JournalRecoveryTest : public SupplyTest {
protected:
    // A start with these journals in the program's record folder.
    void start_with(const std::map<std::string, std::string>& journals) {
        again.files.folders.insert("/prog/Record");
        for (const auto& [name, bytes] : journals) {
            again.files.journals["/prog/Record/" + name] = bytes;
            again.files.journal_written["/prog/Record/" + name] = {2026, 12, 6, 1, 17, 2};
        }
        restarted.Form_Load();
    }
    std::size_t monitor_lines_naming(const std::string& path) const {
        const std::vector<std::string> lines = again.Picture2.printed_lines();
        return static_cast<std::size_t>(std::count_if(lines.begin(), lines.end(), [&](auto& l) {
            return l.find(path) != std::string::npos;
        }));
    }
    std::size_t records() const {
        return static_cast<std::size_t>(
            std::count_if(again.files.files.begin(), again.files.files.end(),
                          [](const auto& file) { return file.first.ends_with(".TXT"); }));
    }
    fake::FakeForm again;
    Form1 restarted{again.controls()};
};

TEST_F(JournalRecoveryTest, OnlyJournalsBecomeRecordsTheRestStaysAndIsNamedOnce) {
    const std::string good = "unfinished-20261206-011700-4242-1.journal";
    const std::map<std::string, std::string> planted{
        {"unfinished-20261206-011700-4242-2.journal", std::string(1024, '\x01')},
        {"unfinished-20261206-011700-4242-3.journal", "user:$6$salt$hash:19000:0:99999:7:::\n"},
        {"unfinished-20261206-011700-4242-4.journal", kHead + kLine + "\r\ngarbage" + kLine},
        {"unfinished-20261206-011700-4242-5.journal", kHead + kLine},
    };
    std::map<std::string, std::string> all = planted;
    all[good] = kHead + kLine;
    // The platform's refusal of the last (a link, say) stands whatever it holds.
    again.files.journal_refusals["/prog/Record/unfinished-20261206-011700-4242-5.journal"] =
        "it is a link, not a regular file";
    start_with(all);

    EXPECT_EQ(records(), 1u);
    EXPECT_EQ(again.files.journals.count("/prog/Record/" + good), 0u);
    for (const auto& [name, bytes] : planted) {
        const std::string path = "/prog/Record/" + name;
        ASSERT_EQ(again.files.journals.count(path), 1u) << name;
        EXPECT_EQ(again.files.journals[path], bytes) << name;
        EXPECT_EQ(monitor_lines_naming(path), 1u) << name;
    }
    ASSERT_EQ(restarted.startup_notes.size(), planted.size());
    EXPECT_EQ(restarted.startup_notes.back(),
              "Not a journal of this program, left in place: /prog/Record/"
              "unfinished-20261206-011700-4242-5.journal (it is a link, not a regular file)");
    EXPECT_NE(restarted.startup_notes[2].find("(line 5 is not a reading line)"), std::string::npos);
}

TEST_F(JournalRecoveryTest, AJournalTooLargeIsLeftUnread) {
    std::string huge = kHead;
    huge.resize(kJournalMaxBytes + 1, ' ');
    start_with({{"unfinished-20261206-011700-4242-1.journal", huge}});
    EXPECT_EQ(records(), 0u);
    EXPECT_EQ(again.files.journals.size(), 1u);
    ASSERT_EQ(restarted.startup_notes.size(), 1u);
    EXPECT_NE(restarted.startup_notes[0].find("(larger than 64 MB)"), std::string::npos);
}

} // namespace
} // namespace kelvo::testing
