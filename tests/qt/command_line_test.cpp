// The command line as main() hands it over: the limits and the timeline's export reach the
// program, a wrong value ends it with status 2 and one line, and the help keeps the layout
// the manual page is made from.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "command_line_fixture.h"
#include "main/command_line.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace kelvo::qt::testing {
namespace {

TEST(CommandLineLimits, EachValueGivenReachesTheProgramAndNoOther) {
    const ArgumentsRead given = read_arguments({"--max-voltage", "5", "--off-after-silence=10",
                                                "--max-charge", " 250 ", "--port", "COM3"});
    EXPECT_FALSE(given.line.exit_code);
    EXPECT_EQ(given.errors, "");
    OutputLimits expected;
    expected[LimitKind::Voltage] = 5;
    expected[LimitKind::Silence] = 10;
    expected[LimitKind::Charge] = 250;
    EXPECT_EQ(given.line.output_limits, expected);
    EXPECT_TRUE(given.line.port);

    // Each option sets its own limit, whatever the others.
    for (const LimitKind kind : kLimitKinds) {
        const ArgumentsRead one = read_arguments({std::string("--") + limit_key(kind), "2"});
        ASSERT_FALSE(one.line.exit_code) << limit_key(kind) << ": " << one.errors;
        OutputLimits only;
        only[kind] = 2;
        EXPECT_EQ(one.line.output_limits, only) << limit_key(kind);
    }
    EXPECT_FALSE(read_arguments({}).line.output_limits.any());
}

TEST(CommandLineLimits, AWrongValueEndsWithStatusTwoAndOneLineNamingTheOption) {
    const ArgumentsRead letters = read_arguments({"--max-voltage", "abc"});
    EXPECT_EQ(letters.line.exit_code, 2);
    EXPECT_EQ(letters.errors, "kelvo: --max-voltage: The voltage limit \"abc\" is not a number. "
                              "(kelvo --help lists the options)\n");
    EXPECT_EQ(letters.out, "");

    const std::vector<std::pair<LimitKind, std::string>> wrong{
        {LimitKind::Time, "-1"},  {LimitKind::Voltage, "40"}, {LimitKind::Current, "5.2"},
        {LimitKind::Charge, "0"}, {LimitKind::Energy, "x1"},  {LimitKind::Silence, "0"},
        {LimitKind::Voltage, ""}, {LimitKind::Time, "nan"}};
    for (const auto& [kind, value] : wrong) {
        const std::string key = limit_key(kind);
        // A good limit beside the wrong one changes nothing: the program does not start.
        const ArgumentsRead outcome = read_arguments({"--max-energy", "100", "--" + key, value});
        EXPECT_EQ(outcome.line.exit_code, 2) << key << " " << value;
        const std::string refusal = limit_refusal(kind, parse_limit(kind, value).refusal, value);
        EXPECT_EQ(outcome.errors,
                  "kelvo: --" + key + ": " + refusal + " (kelvo --help lists the options)\n")
            << key << " " << value;
    }
    // Two wrong ones still make one line.
    const ArgumentsRead two = read_arguments({"--max-time", "-1", "--max-voltage", "40"});
    EXPECT_EQ(two.line.exit_code, 2);
    EXPECT_EQ(std::count(two.errors.begin(), two.errors.end(), '\n'), 1) << two.errors;

    // Nothing goes on from a line that ends the program: not the export, not a good limit.
    const ArgumentsRead ended =
        read_arguments({"--export-events", "a.TXT", "--max-time", "9", "--max-voltage", "40"});
    EXPECT_EQ(ended.line.exit_code, 2);
    EXPECT_FALSE(ended.line.export_events);
    EXPECT_FALSE(ended.line.output_limits.any());

    const ArgumentsRead missing = read_arguments({"--max-current"});
    EXPECT_EQ(missing.line.exit_code, 2);
    EXPECT_EQ(std::count(missing.errors.begin(), missing.errors.end(), '\n'), 1);
}

TEST(CommandLineLimits, ThoseGivenReplaceTheFilesAndTheOthersStay) {
    OutputLimits file;
    file[LimitKind::Voltage] = 10;
    file[LimitKind::Time] = 60;
    OutputLimits given;
    given[LimitKind::Voltage] = 5;
    given[LimitKind::Current] = 1;
    OutputLimits expected;
    expected[LimitKind::Voltage] = 5;
    expected[LimitKind::Current] = 1;
    expected[LimitKind::Time] = 60;
    EXPECT_EQ(with_given_limits(file, given), expected);
    EXPECT_EQ(with_given_limits(file, {}), file);
}

TEST(CommandLineExport, TheTimelineTakesTheRecordAndItsOptionalOut) {
    const ArgumentsRead both = read_arguments({"--export-events", "Record/1.TXT", "events.csv"});
    EXPECT_FALSE(both.line.exit_code);
    ASSERT_TRUE(both.line.export_events);
    EXPECT_EQ(*both.line.export_events, (std::vector<std::string>{"Record/1.TXT", "events.csv"}));
    EXPECT_FALSE(both.line.export_csv);

    const ArgumentsRead record_only = read_arguments({"--export-events", "a.TXT"});
    ASSERT_TRUE(record_only.line.export_events);
    EXPECT_EQ(*record_only.line.export_events, std::vector<std::string>{"a.TXT"});

    const ArgumentsRead csv = read_arguments({"--export-csv", "a.TXT", "a.csv"});
    ASSERT_TRUE(csv.line.export_csv);
    EXPECT_EQ(*csv.line.export_csv, (std::vector<std::string>{"a.TXT", "a.csv"}));
    EXPECT_FALSE(csv.line.export_events);

    const ArgumentsRead together =
        read_arguments({"--export-csv", "a.TXT", "--export-events", "b.TXT"});
    EXPECT_EQ(together.line.exit_code, 2);
    EXPECT_EQ(std::count(together.errors.begin(), together.errors.end(), '\n'), 1);
    // Without an export nothing takes an argument.
    EXPECT_EQ(read_arguments({"a.TXT"}).line.exit_code, 2);
}

TEST(CommandLineRemote, AnAddressTheSocketCanTakeIsKeptAndAnyOtherEndsWithStatusTwo) {
    const std::vector<std::pair<std::string, std::string>> good{
        {"5025", "127.0.0.1"},
        {"127.0.0.1:5025", "127.0.0.1"},
        {"0.0.0.0:5025", "0.0.0.0"},
        {"[::1]:5025", "::1"},
        {"[::]:5025", "::"},
        {"localhost:5025", "localhost"},
        {"LocalHost:5025", "LocalHost"},
        {"192.168.1.20:6000", "192.168.1.20"}};
    for (const auto& [value, address] : good) {
        const ArgumentsRead outcome = read_arguments({"--remote", value});
        EXPECT_FALSE(outcome.line.exit_code) << value << ": " << outcome.errors;
        ASSERT_TRUE(outcome.line.remote) << value;
        EXPECT_EQ(outcome.line.remote->address, address);
        EXPECT_EQ(outcome.errors, "") << value;
    }
    // A name, an address of five parts, a part past 255, an IPv6 address with a stray letter.
    for (const char* address : {"example.com", "1.2.3.4.5", "999.1.1.1", "[::1x]"}) {
        const std::string value = std::string(address) + ":5025";
        const ArgumentsRead outcome = read_arguments({"--remote", value, "--max-voltage", "5"});
        EXPECT_EQ(outcome.line.exit_code, 2) << value;
        EXPECT_FALSE(outcome.line.remote) << value;
        EXPECT_FALSE(outcome.line.output_limits.any()) << value;
        std::string bare(address);
        if (bare.front() == '[') {
            bare = bare.substr(1, bare.size() - 2);
        }
        EXPECT_EQ(outcome.errors, "kelvo: --remote: \"" + bare +
                                      "\" is not an IP address (kelvo --help lists the options)\n");
    }
    EXPECT_EQ(read_arguments({"--remote", "example.com"}).line.exit_code, 2); // no port
}

TEST(CommandLineHelp, ListsEveryOptionInTheLayoutTheManualPageIsMadeFrom) {
    const ArgumentsRead help = read_arguments({"--help"});
    EXPECT_EQ(help.line.exit_code, 0);
    // help2man takes "Usage:" and the "or:" lines after it as the synopsis.
    EXPECT_EQ(help.out.rfind("Usage: kelvo [options]\n"
                             "  or:  kelvo --export-csv RECORD [OUT]\n"
                             "  or:  kelvo --export-events RECORD [OUT]\n"
                             "  or:  kelvo --report RECORD\n\n",
                             0),
              0u)
        << help.out;
    for (const char* option :
         {"--max-voltage <V>", "--max-current <A>", "--max-time <S>", "--max-charge <MAH>",
          "--max-energy <MWH>", "--off-after-silence <S>", "--export-events <RECORD>",
          "--report <RECORD>"}) {
        EXPECT_NE(help.out.find(std::string("\n  ") + option + " "), std::string::npos) << option;
    }
    const std::size_t files = help.out.find("\nFiles:\n");
    ASSERT_NE(files, std::string::npos);
    EXPECT_NE(help.out.find("~/.local/share/kelvo/limits.conf", files), std::string::npos);
}

} // namespace
} // namespace kelvo::qt::testing
