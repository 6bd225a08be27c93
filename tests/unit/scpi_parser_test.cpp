// The SCPI command language: headers in their short and long forms, the chained commands of
// a line, the parameter rules, the numbers and choices, the client's lines and --remote.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "remote/remote_option.h"
#include "remote/scpi_lines.h"
#include "remote/scpi_parser.h"

#include <gtest/gtest.h>

#include <cmath>
#include <utility>
#include <vector>

namespace kelvo::remote {
namespace {

TEST(ScpiHeader, ShortOrLongFormAnyCaseWithOptionalNodes) {
    const char* volts = "[SOURce:]VOLTage[:LEVel]";
    for (const char* header : {"VOLT", "volt", "Voltage", "SOUR:VOLT", "source:voltage:level",
                               "VOLT:LEV", "sour:volt:level"}) {
        EXPECT_TRUE(header_matches(volts, header)) << header;
    }
    for (const char* header : {"VOL", "VOLTA", "LEV", "SOUR", "SOUR:LEV:VOLT", "VOLT:LEV:LEV",
                               "VOLT:", ":VOLT", "", "CURR"}) {
        EXPECT_FALSE(header_matches(volts, header)) << header;
    }
    EXPECT_TRUE(header_matches("*IDN", "*idn"));
    EXPECT_TRUE(header_matches("SYSTem:ERRor[:NEXT]", "syst:err:next"));
}

// The header of each command of a line, or its error.
std::vector<std::pair<Header, bool>> headers(std::string_view line) {
    std::vector<std::pair<Header, bool>> found;
    for (const Parsed& parsed : parse_line(line)) {
        EXPECT_TRUE(parsed.unit) << line << ": " << parsed.error;
        if (parsed.unit) {
            found.emplace_back(parsed.unit->header, parsed.unit->query);
        }
    }
    return found;
}

std::vector<int> errors(std::string_view line) {
    std::vector<int> found;
    for (const Parsed& parsed : parse_line(line)) {
        found.push_back(parsed.unit ? 0 : parsed.error);
    }
    return found;
}

TEST(ScpiLine, ChainedCommandsFollowThePathOfTheOneBefore) {
    using H = Header;
    const std::vector<std::pair<H, bool>> measured{
        {H::MeasureVoltage, true}, {H::MeasureCurrent, true}, {H::Output, true}};
    EXPECT_EQ(headers("MEAS:VOLT?;CURR?;OUTP?"), measured);
    const std::vector<std::pair<H, bool>> set{
        {H::Voltage, false}, {H::Current, false}, {H::Identify, true}, {H::Current, false}};
    EXPECT_EQ(headers(" sour:volt 5 ;; CURR 1;*IDN?;:CURR 2 "), set);
    const auto units = parse_line("VOLT\t  12.5  ;OUTP ON");
    ASSERT_EQ(units.size(), 2u);
    EXPECT_EQ(units[0].unit.value().argument, "12.5");
    EXPECT_EQ(units[0].unit.value().text, "VOLT\t  12.5");
    EXPECT_EQ(units[1].unit.value().argument, "ON");
    EXPECT_TRUE(parse_line(" ; ;").empty());
}

TEST(ScpiLine, ParameterRulesAndUnknownHeaders) {
    using namespace error;
    const std::pair<const char*, int> cases[] = {{"VOLT", kMissingParameter},
                                                 {"OUTP", kMissingParameter},
                                                 {"OUTP? 5", kParameterNotAllowed},
                                                 {"VOLT? MAX", 0},
                                                 {"STAT:PRES 1", kParameterNotAllowed},
                                                 {"STAT:QUES:COND 1", kUndefinedHeader},
                                                 {"VOLT:PROT:TRIP 1", kUndefinedHeader},
                                                 {"OUTP:PROT:CLE?", kUndefinedHeader},
                                                 {"SOUR:VOLT:LEV:IMM:AMPL 6", 0},
                                                 {"VOLT:LEV:AMPL 6", 0},
                                                 {"APPL 5,0.5", 0},
                                                 {"*RST 1", kParameterNotAllowed},
                                                 {"MEAS:VOLT 5", kUndefinedHeader},
                                                 {"*RST?", kUndefinedHeader},
                                                 {"PROG:RUN?", kUndefinedHeader},
                                                 {"VOLTS 5", kUndefinedHeader},
                                                 {"MEAS:VOLT:AC?", kUndefinedHeader},
                                                 {"MEAS:SCAL:VOLT:DC?", 0},
                                                 {"?", kUndefinedHeader},
                                                 {"PROG:RUN", 0},
                                                 {"PROG:RUN 3", 0},
                                                 {"*OPC", 0},
                                                 {"CURR:PROT:MODE TRIP", 0}};
    for (const auto& [line, error] : cases) {
        EXPECT_EQ(errors(line), std::vector<int>{error}) << line;
    }
    EXPECT_EQ(errors("FOO;VOLT 1;BAR?"), (std::vector<int>{kUndefinedHeader, 0, kUndefinedHeader}));
}

TEST(ScpiValues, NumbersSwitchesAndChoices) {
    const std::pair<const char*, double> numbers[] = {{"5", 5},   {"-1.25", -1.25}, {"+.5", 0.5},
                                                      {"5.", 5},  {"2.5E-1", 0.25}, {"1e+2", 100},
                                                      {"007", 7}, {"1e-999", 0}};
    for (const auto& [text, value] : numbers) {
        ASSERT_TRUE(parse_number(text)) << text;
        EXPECT_DOUBLE_EQ(parse_number(text).value(), value) << text;
    }
    EXPECT_TRUE(std::isinf(parse_number("1e999").value()));
    EXPECT_LT(parse_number("-1e999").value(), 0);
    for (const char* bad : {"", ".", "-", "e5", "5e", "5e+", "1.2.3", "5V", " 5", "0x10", "inf",
                            "nan", "1,5", "++1"}) {
        EXPECT_FALSE(parse_number(bad)) << bad;
    }
    EXPECT_EQ(parse_switch("on"), true);
    EXPECT_EQ(parse_switch("1"), true);
    EXPECT_EQ(parse_switch("Off"), false);
    EXPECT_EQ(parse_switch("0"), false);
    EXPECT_FALSE(parse_switch("2"));
    EXPECT_FALSE(parse_switch("ONN"));
    EXPECT_EQ(parse_choice("ste", {"STEady", "TRIP"}), 0u);
    EXPECT_EQ(parse_choice("STEADY", {"STEady", "TRIP"}), 0u);
    EXPECT_EQ(parse_choice("trip", {"STEady", "TRIP"}), 1u);
    EXPECT_FALSE(parse_choice("STEA", {"STEady", "TRIP"}));
}

struct Collected {
    std::vector<std::string> lines;
    int too_long = 0;
    LineAssembler::LineHandler handler() {
        return [this](std::string_view line, bool refused) {
            if (refused) {
                ++too_long;
            } else {
                lines.emplace_back(line);
            }
        };
    }
};

TEST(ScpiLines, CutAtNewlinesAcrossReadsAndLongLinesRefusedWhole) {
    LineAssembler lines;
    Collected got;
    lines.feed("*IDN?\r\nVOLT", got.handler());
    lines.feed(" 5\n\n", got.handler());
    EXPECT_EQ(got.lines, (std::vector<std::string>{"*IDN?", "VOLT 5", ""}));
    EXPECT_EQ(lines.held(), 0u);

    const std::string longest(kMaxLineBytes, 'x');
    lines.feed(longest + "\r\n", got.handler());
    EXPECT_EQ(got.lines.back(), longest);
    EXPECT_EQ(got.too_long, 0);
    // One byte more, sent in pieces: refused once, as soon as it passes, nothing kept.
    for (int i = 0; i < 3; ++i) {
        lines.feed(std::string(kMaxLineBytes / 2, 'y'), got.handler());
    }
    EXPECT_EQ(got.too_long, 1);
    EXPECT_EQ(lines.held(), 0u);
    const std::size_t before = got.lines.size();
    lines.feed("yyy\nOUTP?\n", got.handler());
    EXPECT_EQ(got.too_long, 1);
    ASSERT_EQ(got.lines.size(), before + 1); // the rest of the long line is no line
    EXPECT_EQ(got.lines.back(), "OUTP?");
    lines.feed(longest + "z\n", got.handler());
    EXPECT_EQ(got.too_long, 2);
}

TEST(RemoteOption, PortWithOptionalAddress) {
    const auto bare = parse_remote_option("5025");
    ASSERT_TRUE(bare);
    EXPECT_EQ(bare.value().address, "127.0.0.1");
    EXPECT_EQ(bare.value().port, 5025);
    const auto named = parse_remote_option("0.0.0.0:65535");
    ASSERT_TRUE(named);
    EXPECT_EQ(named.value().address, "0.0.0.0");
    EXPECT_EQ(named.value().port, 65535);
    EXPECT_EQ(parse_remote_option("[::1]:1").value().address, "::1");
    for (const char* bad :
         {"", "0", "65536", "05025", "50x", ":5025", "host:", "::1:5025", "[]:5025", "127.0.0.1"}) {
        EXPECT_FALSE(parse_remote_option(bad)) << bad;
    }
}

} // namespace
} // namespace kelvo::remote

namespace kelvo::remote {
namespace {

TEST(ScpiStrings, ASemicolonInAStringIsTextAndAQuoteStandsDoubled) {
    const std::vector<Parsed> units =
        parse_line("PROG:TABL \"voltage V;current A;seconds|5;1;3\";PROG:END?");
    ASSERT_EQ(units.size(), 2u);
    ASSERT_TRUE(units[0].unit);
    EXPECT_EQ(units[0].unit->argument, "\"voltage V;current A;seconds|5;1;3\"");
    EXPECT_EQ(parse_string(units[0].unit->argument), "voltage V;current A;seconds|5;1;3");
    EXPECT_EQ(parse_string("'it''s'"), "it's");
    EXPECT_EQ(parse_string("\"say \"\"hi\"\"\""), "say \"hi\"");
    for (const char* bad : {"", "\"", "abc", "\"abc", "'abc\"", "\"a\"b\""}) {
        SCOPED_TRACE(bad);
        EXPECT_FALSE(parse_string(bad));
    }
}

} // namespace
} // namespace kelvo::remote
