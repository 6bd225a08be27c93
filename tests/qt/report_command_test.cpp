// kelvo --report RECORD: the option as the command line reads it, the report on standard
// output from a record and its events file on disk, one line and a status for a record
// that is missing or none.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "command_line_fixture.h"
#include "main/command_line.h"
#include "main/export_command.h"
#include "qt_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <sys/stat.h>

namespace kelvo::qt::testing {
namespace {

void write(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

const char* const kRecord = "KELVO\r\nVersion: 1.0\r\n2026-12-9   4:10:07\r\n"
                            "4:10:08          05.00V          0.500A\r\n"
                            "4:10:09          04.20V          0.098A\r\n"
                            "Save Path:/r/a.TXT\r\n";
const char* const kEvents =
    "time,event,source,detail\r\n"
    "2026-12-09T04:10:07.100+01:00,output on,run,\r\n"
    "2026-12-09T04:10:07.200+01:00,step begun,step 1,pass 1: 5.00 V 1.000 A until I<0.1\r\n"
    "2026-12-09T04:10:09.300+01:00,step ended,step 1,condition: I<0.100 A at 0.098 A after 2 s\r\n"
    "2026-12-09T04:10:09.300+01:00,output off,stop,"
    "seconds=2.200;charge_mAh=0.2000000;energy_mWh=1.0000000\r\n";

TEST(ReportCommand, TheOptionTakesItsRecordAndNoExportBesideIt) {
    const CommandLine line = read_arguments({"--report", "Record/1.TXT"}).line;
    EXPECT_FALSE(line.exit_code);
    ASSERT_TRUE(line.report);
    EXPECT_EQ(*line.report, "Record/1.TXT");
    const ArgumentsRead both = read_arguments({"--report", "a.TXT", "--export-csv", "b.TXT"});
    EXPECT_EQ(both.line.exit_code, 2);
    EXPECT_EQ(both.errors, "kelvo: --report cannot be given together with --export-csv or "
                           "--export-events (kelvo --help lists the options)\n");
    EXPECT_EQ(read_arguments({"--report", "a.TXT", "b.TXT"}).line.exit_code, 2);
    EXPECT_EQ(read_arguments({"--report"}).line.exit_code, 2);
    EXPECT_FALSE(read_arguments({}).line.report);
}

TEST(ReportCommand, PrintsTheReportOfTheRecordAndItsEvents) {
    ProgramFolder folder;
    const std::string record = folder.file("20261294107.TXT");
    write(record, kRecord);
    write(folder.file("20261294107.events.csv"), kEvents);
    std::ostringstream out;
    std::ostringstream errors;
    EXPECT_EQ(history::report_command(record, out, errors), 0);
    EXPECT_EQ(errors.str(), "");
    const std::string text = out.str();
    EXPECT_EQ(text.rfind("Run report\nStart: 2026-12-09 04:10:07\n", 0), 0u) << text;
    EXPECT_NE(text.find("its condition I<0.100 A was met at 0.098 A after 2 s"), std::string::npos)
        << text;
    EXPECT_NE(text.find("Run ended by: STOP"), std::string::npos) << text;
    EXPECT_NE(text.find("Charge: 0.200 mAh"), std::string::npos) << text;

    // A damaged events file is told, not fatal.
    write(folder.file("20261294107.events.csv"), std::string(kEvents) + "garbage\r\n");
    std::ostringstream damaged;
    EXPECT_EQ(history::report_command(record, damaged, errors), 0);
    EXPECT_NE(damaged.str().find("1 rows of the events file could not be read"), std::string::npos)
        << damaged.str();
}

TEST(ReportCommand, AMissingOrWrongRecordIsOneLineAndStatusOne) {
    ProgramFolder folder;
    for (const std::string& path : {folder.file("none.TXT"), folder.file("junk.TXT"),
                                    folder.file("fifo.TXT"), folder.path()}) {
        SCOPED_TRACE(path);
        if (path.ends_with("junk.TXT")) {
            write(path, "hello\n");
        } else if (path.ends_with("fifo.TXT")) {
            ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0); // refused, never waited on
        }
        std::ostringstream out;
        std::ostringstream errors;
        EXPECT_EQ(history::report_command(path, out, errors), 1);
        EXPECT_EQ(out.str(), "");
        const std::string line = errors.str();
        EXPECT_EQ(line.rfind("kelvo: " + path + ": ", 0), 0u) << line;
        EXPECT_EQ(std::count(line.begin(), line.end(), '\n'), 1) << line;
    }
    std::ostringstream out;
    std::ostringstream errors;
    EXPECT_EQ(history::report_command("", out, errors), 2);
}

} // namespace
} // namespace kelvo::qt::testing
