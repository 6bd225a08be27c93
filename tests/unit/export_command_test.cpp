// The export from the command line against what could destroy or swamp it: an OUT that is
// the record itself, a record named .csv, a device, a pipe, and lines without an end.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/record_reader.h"
#include "main/export_command.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace kelvo::history {
namespace {

constexpr const char* kRecordText = "KELVO\r\nVersion: 1.0\r\n2026-3-4   12:00:00\r\n"
                                    "12:00:01          05.00V          0.500A\r\n"
                                    "12:00:02          05.10V          0.510A\r\n";

TEST(RecordLineBound, ALineUpToTheBoundIsReadAndOneByteMoreMakesNoRecord) {
    const std::string head = "KELVO\r\nVersion: 1.0\r\n2026-3-4   12:00:00\r\n"
                             "12:00:01          05.00V          0.500A\r\n";
    // The save line of the longest path a file system gives.
    const std::string path = "/" + std::string(4095, 'p');
    const Series saved = read_record(head + "Save Path:" + path + "\r\n");
    EXPECT_EQ(saved.error, ReadError::None);
    EXPECT_EQ(saved.path, path);

    const std::string at_bound(RecordReader::kLineLimit, 'x');
    const Series junk = read_record(head + at_bound + "\n" + "12:00:02   05.00V   0.500A\r\n");
    EXPECT_EQ(junk.error, ReadError::None);
    EXPECT_EQ(junk.samples.size(), 2U);
    EXPECT_EQ(junk.junk, 1U);

    for (const std::string& end : {std::string("\n"), std::string()}) {
        const Series over = read_record(head + at_bound + "x" + end);
        EXPECT_EQ(over.error, ReadError::NotRecord);
        EXPECT_TRUE(over.line_too_long);
        EXPECT_TRUE(over.samples.empty()); // what came before counts for nothing
    }
    EXPECT_FALSE(read_record(kRecordText).line_too_long);
}

TEST(RecordLineBound, FedInPiecesTheReaderStopsAtTheBoundAndTakesNoMore) {
    RecordReader reader;
    reader.feed("KELVO\r\nVersion: 1.0\r\n2026-3-4   12:00:00\r\n");
    const std::string piece(1000, 'x');
    std::size_t fed = 0;
    while (!reader.failed() && fed < 100 * piece.size()) {
        reader.feed(piece);
        fed += piece.size();
    }
    EXPECT_TRUE(reader.failed());
    EXPECT_GT(fed, RecordReader::kLineLimit);
    EXPECT_LE(fed, RecordReader::kLineLimit + piece.size());
    // A line end and a whole reading after it change nothing.
    reader.feed("\r\n12:00:01          05.00V          0.500A\r\n");
    reader.finish();
    const Series series = reader.take();
    EXPECT_EQ(series.error, ReadError::NotRecord);
    EXPECT_TRUE(series.samples.empty());
}

// Each test in a folder of its own, with a record in it.
class ExportCsvOut : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "kelvo-export-XXXXXX").string();
        folder = ::mkdtemp(pattern.data());
        input = folder + "/2026034120000.TXT";
        put(input, kRecordText);
    }
    void TearDown() override { std::filesystem::remove_all(folder); }
    static void put(const std::string& path, const std::string& text) {
        std::ofstream(path, std::ios::binary) << text;
    }
    static std::string contents(const std::string& path) {
        std::ifstream file(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    }
    // The exit code; `said` gets what went to stderr.
    int run(const std::vector<std::string>& args) {
        std::ostringstream errors;
        const int code = export_csv_command(args, errors);
        said = errors.str();
        return code;
    }
    std::size_t files_in_folder() const {
        return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(folder),
                                                      std::filesystem::directory_iterator()));
    }
    bool one_line() const { return !said.empty() && said.find('\n') == said.size() - 1; }
    std::string folder;
    std::string input;
    std::string said;
};

TEST_F(ExportCsvOut, OntoTheRecordItselfIsRefusedAndTheRecordStaysAsItWas) {
    const std::string link = folder + "/link.csv";
    const std::string hard = folder + "/hard.csv";
    ASSERT_EQ(::symlink(input.c_str(), link.c_str()), 0);
    ASSERT_EQ(::link(input.c_str(), hard.c_str()), 0);
    const std::string other_name =
        folder + "/../" + std::filesystem::path(folder).filename().string() + "/2026034120000.TXT";
    for (const std::string& out : {input, link, hard, other_name}) {
        EXPECT_EQ(run({input, out}), 3) << out;
        EXPECT_TRUE(one_line()) << said;
        EXPECT_NE(said.find("it is the record"), std::string::npos) << said;
        EXPECT_EQ(contents(input), kRecordText) << out;
    }
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(files_in_folder(), 3U); // no temporary left either
    // Through a link the other way round: the record named by the link, OUT by its name.
    EXPECT_EQ(run({link, input}), 3);
    EXPECT_EQ(contents(input), kRecordText);
}

TEST_F(ExportCsvOut, ARecordNamedCsvGetsADefaultBesideItNotItself) {
    for (const char* name : {"/period.csv", "/PERIOD2.CSV"}) {
        const std::string named = folder + name;
        put(named, kRecordText);
        ASSERT_EQ(run({named}), 0) << said;
        EXPECT_EQ(contents(named), kRecordText);
        const std::string expected =
            std::filesystem::path(named).replace_extension(".export.csv").string();
        EXPECT_EQ(contents(expected).rfind("time,seconds,", 0), 0U) << expected;
    }
    ASSERT_EQ(run({input}), 0) << said;
    EXPECT_EQ(contents(folder + "/2026034120000.csv").rfind("time,seconds,", 0), 0U);
}

TEST_F(ExportCsvOut, ReplacesOutWholeAndLeavesItAsItWasOnAFailure) {
    const std::string out = folder + "/out.csv";
    put(out, "older");
    ASSERT_EQ(::chmod(out.c_str(), 0640), 0);
    ASSERT_EQ(run({input, out}), 0) << said;
    const std::string csv = contents(out);
    EXPECT_EQ(csv.rfind("time,seconds,", 0), 0U);
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 3);

    put(out, "older");
    put(folder + "/notes.txt", "not a record\n");
    EXPECT_EQ(run({folder + "/notes.txt", out}), 1);
    EXPECT_EQ(contents(out), "older");
    // OUT a folder: the temporary is written, cannot take its place and is removed.
    std::filesystem::create_directory(folder + "/dir.csv");
    EXPECT_EQ(run({input, folder + "/dir.csv"}), 3);
    EXPECT_TRUE(one_line()) << said;
    EXPECT_EQ(files_in_folder(), 4U);
}

TEST_F(ExportCsvOut, ADeviceAPipeAndALineWithoutEndAreNoRecord) {
    EXPECT_EQ(run({"/dev/zero", folder + "/zero.csv"}), 1);
    EXPECT_NE(said.find("not a regular file"), std::string::npos) << said;
    const std::string fifo = folder + "/fifo.TXT";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(run({fifo, folder + "/fifo.csv"}), 1); // refused, not waited on
    const std::string endless = folder + "/endless.TXT";
    put(endless, std::string(kRecordText) + std::string(RecordReader::kLineLimit * 3, 'x'));
    EXPECT_EQ(run({endless, folder + "/endless.csv"}), 1);
    EXPECT_TRUE(one_line()) << said;
    EXPECT_NE(said.find("a line of more than 8192 bytes"), std::string::npos) << said;
    EXPECT_EQ(files_in_folder(), 3U);
}

} // namespace
} // namespace kelvo::history
