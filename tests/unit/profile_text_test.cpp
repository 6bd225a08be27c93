// A profile's text form as scripts write it, and the preview of a plan in words.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "program/profiles.h"

#include <gtest/gtest.h>

namespace kelvo {
namespace {

std::vector<std::string> text_refusals(std::string_view text, bool english = true) {
    const ProfileParse parsed = parse_profile(text);
    std::vector<std::string> words;
    words.reserve(parsed.problems.size());
    for (const ProfileProblem& problem : parsed.problems) {
        words.push_back(describe(problem, english));
    }
    return words;
}

using Said = std::vector<std::string>;

TEST(ProfileText, ReadsAnyCaseAndBlanksAndWritesTheSameFiguresBack) {
    const ProfileParse parsed =
        parse_profile(" liion , CELLS = 2 ,Cell=4.20,current=1,taper=.1,Hours=3\r\n");
    ASSERT_TRUE(parsed.ok()) << describe(parsed.problems.front(), true);
    ProfileFigures expected;
    expected.kind = ProfileKind::LiIon;
    expected[ProfileFigure::Cells] = 2;
    expected[ProfileFigure::CellVolts] = 4.2;
    expected[ProfileFigure::Current] = 1;
    expected[ProfileFigure::Taper] = 0.1;
    expected[ProfileFigure::Hours] = 3;
    EXPECT_EQ(parsed.figures, expected);
    EXPECT_EQ(profile_text(parsed.figures), "LIION,cells=2,cell=4.2,current=1,taper=0.1,hours=3");
    for (const char* text : {"LEADACID,cells=6,bulk=2.4,float=2.25,current=2,taper=0.2,"
                             "bulkhours=8,hours=24",
                             "NIMH,cells=4,end=1.45,current=0.2,hours=14",
                             "BURNIN,volts=12,limit=1,level=0.8,hours=48",
                             "SWEEP,from=0,to=5,step=0.1,seconds=2,limit=0.1,level=0.01"}) {
        const ProfileParse each = parse_profile(text);
        ASSERT_TRUE(each.ok()) << text;
        EXPECT_EQ(profile_text(each.figures), text);
        EXPECT_TRUE(make_profile(each.figures).ok()) << text;
    }
}

TEST(ProfileText, RefusesUnknownKindsAndKeysRepeatsMissingFiguresAndWords) {
    EXPECT_EQ(text_refusals("  "),
              Said{"the profile text is empty; it begins with LIION, LEADACID, NIMH, NICD, "
                   "BURNIN or SWEEP"});
    EXPECT_EQ(text_refusals("LIPO,cells=2"),
              Said{"\"LIPO\" is not a profile; use LIION, LEADACID, NIMH, NICD, BURNIN or SWEEP"});
    const std::string unknown = "\"volts\" is not a figure of this profile; it takes cells, "
                                "cell, current, taper, hours, capacity";
    const std::string word = "Charge current (A): \"one\" is not a number (a decimal point, "
                             "please)";
    EXPECT_EQ(text_refusals("LIION,cells=2,volts=8,cells=3,cell=4.2,current=one,taper,hours=3"),
              (Said{unknown, "\"cells\" is given twice", word, "\"taper\" is not key=value",
                    "End at taper current (A): not given"}));
    EXPECT_EQ(text_refusals("BURNIN,volts=1e999,limit=inf,level=0.5"),
              (Said{"Voltage (V): \"1e999\" is not a number (a decimal point, please)",
                    "Current limit (A): \"inf\" is not a number (a decimal point, please)",
                    "Burn-in time (h): not given"}));
    EXPECT_EQ(text_refusals("SWEEP", false),
              (Said{"起始电压 (V)：未给出", "结束电压 (V)：未给出", "步长 (V)：未给出",
                    "每步秒数：未给出", "限制电流 (A)：未给出", "电流超过此值时停止 (A)：未给出"}));
    EXPECT_EQ(text_refusals("NIMH,cells=4,end=1.45,current=0.2,hours=14,"),
              Said{"\"\" is not key=value"});
}

TEST(ProfilePreview, SaysEachStepItsEndAndTheLimitsInBothLanguages) {
    const ProfileResult made = make_profile(
        parse_profile("LIION,cells=2,cell=4.2,current=1,taper=0.1,hours=3,capacity=2000").figures);
    EXPECT_EQ(preview(made.plan, true),
              "Li-ion charge, steps: 1.\n"
              "Step 1: 8.40 V, 1.000 A; ends when the current falls below 0.100 A (from 30 s on), "
              "and with it the run; at the latest after 3 h, then the run ends.\n"
              "Limits of the run: voltage limit 8.40 V, current limit 1.000 A, time limit 3 h 1 "
              "min 2 s, charge limit 2000 mAh.");
    EXPECT_EQ(preview(made.plan, false),
              "锂离子电池充电：共 1 步。\n"
              "第 1 步：8.40 V，1.000 A；电流降到 0.100 A 以下时结束（30 秒 之后），运行随之结束；"
              "最迟 3 小时 后运行结束。\n"
              "运行的限值：电压限值 8.40 V，电流限值 1.000 A，时间限值 3 小时 1 分钟 2 秒，"
              "电量限值 2000 mAh。");
    const ProfileResult lead = make_profile(
        parse_profile("LEADACID,cells=6,bulk=2.4,float=2.25,current=2,taper=0.2,bulkhours=8,"
                      "hours=24")
            .figures);
    EXPECT_NE(preview(lead.plan, true)
                  .find("Step 1: 14.40 V, 2.000 A; ends when the current falls below 0.200 A "
                        "(from 30 s on); at the latest after 8 h, then the next step.\n"),
              std::string::npos);
}

TEST(ProfilePreview, ALongSweepShowsItsFirstStepsAndItsLast) {
    const ProfileResult made = make_profile(
        parse_profile("SWEEP,from=0,to=5,step=0.1,seconds=2,limit=0.1,level=0.01").figures);
    ASSERT_EQ(made.plan.steps.size(), 51U);
    const std::string text = preview(made.plan, true);
    EXPECT_NE(text.find("\nStep 8: 0.70 V"), std::string::npos);
    EXPECT_EQ(text.find("\nStep 9:"), std::string::npos);
    EXPECT_NE(text.find("\n... 42 more steps of the same kind ...\nStep 51: 5.00 V, 0.100 A; "
                        "ends when the current rises above 0.010 A (from 1 s on), and with it "
                        "the run; at the latest after 2 s, then the run ends.\n"),
              std::string::npos);
    EXPECT_EQ(duration_words(0, true), "0 s");
    EXPECT_EQ(duration_words(5400, true), "1 h 30 min");
    const Step plain{500, 100, 90, {}};
    EXPECT_EQ(step_end_words(plain, false, true), "lasts 1 min 30 s");
}

} // namespace
} // namespace kelvo
