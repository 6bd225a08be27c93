// A run's report from a record and its timeline: the profile, each step's begin and end,
// what ended the run, the figures, the lowest and highest measured readings (never a stale
// one), the silences, and what a damaged or missing events file leaves unknown.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/run_report.h"

#include <gtest/gtest.h>

#include <string>

namespace kelvo::history {
namespace {

// Readings a second apart from 4:10:08: `volts[k]` and `amps[k]`; the record of a period
// that began at 4:10:07 on 2026-12-09.
std::string record(const std::vector<std::pair<const char*, const char*>>& readings,
                   const std::string& closing = "Save Path:/r/a.TXT\r\n") {
    std::string body = "KELVO\r\nVersion: 1.0\r\n2026-12-9   4:10:07\r\n";
    int second = 8;
    for (const auto& [volts, amps] : readings) {
        body += "4:10:" + std::string(second < 10 ? "0" : "") + std::to_string(second) +
                "          " + volts + "V          " + amps + "A\r\n";
        ++second;
    }
    return body + closing;
}

std::string row(const std::string& time, const std::string& kind, const std::string& source,
                const std::string& detail) {
    return "2026-12-09T04:10:" + time + "+01:00," + kind + "," + source + "," + detail + "\r\n";
}

const std::string kHeader = "time,event,source,detail\r\n";
const std::string kFigures = "seconds=9.500;charge_mAh=1.2500000;energy_mWh=6.2500000";

// A profile of three steps: the first lasts its seconds, the second ends on its condition,
// the third is stopped by STOP.
std::string three_steps(const std::string& off_cause = "stop") {
    return kHeader + row("07.100", "output on", "run", "") +
           row("07.100", "profile", "Li-ion charge", "\"1 cell, 4.20 V a cell, 1.000 A\"") +
           row("07.200", "step begun", "step 1", "pass 1: 5.00 V 1.000 A 3 s") +
           row("10.200", "step ended", "step 1", "seconds: 3 s") +
           row("10.200", "step begun", "step 2", "pass 1: 4.20 V 1.000 A until I<0.100 A") +
           row("13.300", "step ended", "step 2", "condition: I<0.100 A at 0.098 A after 3 s") +
           row("13.300", "step begun", "step 3", "pass 1: 4.20 V 0.050 A 60 s") +
           row("16.600", "step ended", "step 3", "run ended: " + off_cause + " after 3 s") +
           row("16.600", "output off", off_cause, kFigures);
}

const std::vector<std::pair<const char*, const char*>> kNine = {
    {"05.00", "0.500"}, {"05.00", "0.400"}, {"04.98", "0.300"},
    {"04.20", "0.200"}, {"04.20", "0.098"}, {"04.20", "0.050"},
    {"04.19", "0.049"}, {"04.19", "0.048"}, {"04.19", "0.047"}};

TEST(RunReport, EachStepWithItsBeginSetPointsAndEndReason) {
    const RunReport r = run_report(record(kNine), three_steps());
    EXPECT_TRUE(r.program_run());
    EXPECT_EQ(r.profile, "Li-ion charge");
    EXPECT_EQ(r.profile_settings, "1 cell, 4.20 V a cell, 1.000 A");
    ASSERT_EQ(r.steps.size(), 3u);
    EXPECT_EQ(r.steps[0].setpoints, "pass 1: 5.00 V 1.000 A 3 s");
    EXPECT_EQ(r.steps[0].end, StepEnd::Seconds);
    EXPECT_EQ(r.steps[0].end_detail, "3 s");
    EXPECT_EQ(r.steps[1].end, StepEnd::Condition);
    EXPECT_EQ(r.steps[1].end_detail, "I<0.100 A at 0.098 A after 3 s");
    ASSERT_TRUE(r.steps[1].begun && r.steps[1].ended);
    EXPECT_EQ(r.steps[1].begun->second, 10);
    EXPECT_EQ(r.steps[1].ended->second, 13);
    EXPECT_EQ(r.steps[2].end, StepEnd::RunEnded);
    EXPECT_EQ(r.off_cause, "stop");
    EXPECT_TRUE(r.stopping_condition.empty());
    // The program's own figures, not the readings' sum.
    EXPECT_FALSE(r.figures_from_readings);
    EXPECT_NEAR(r.coulombs, 4.5, 1e-9);
    EXPECT_NEAR(r.joules, 22.5, 1e-9);
    ASSERT_TRUE(r.seconds);
    EXPECT_DOUBLE_EQ(*r.seconds, 9.5);
    ASSERT_TRUE(r.end);
    EXPECT_FALSE(r.end_from_readings);
    EXPECT_EQ(r.end->second, 16);

    const std::string en = report_text(r, true);
    EXPECT_NE(en.find("Profile: Li-ion charge (1 cell, 4.20 V a cell, 1.000 A)"), std::string::npos)
        << en;
    EXPECT_NE(en.find("Start: 2026-12-09 04:10:07"), std::string::npos) << en;
    EXPECT_NE(en.find("Duration: 0:00:10"), std::string::npos) << en;
    EXPECT_NE(en.find("step 1 from 04:10:07: pass 1: 5.00 V 1.000 A 3 s\n"
                      "    ended 04:10:10: its time was up (3 s)"),
              std::string::npos)
        << en;
    EXPECT_NE(en.find("ended 04:10:13: its condition I<0.100 A was met at 0.098 A after 3 s"),
              std::string::npos)
        << en;
    EXPECT_NE(en.find("ended 04:10:16: the run ended (STOP) after 3 s"), std::string::npos) << en;
    EXPECT_NE(en.find("Run ended by: STOP\n"), std::string::npos) << en;
    EXPECT_EQ(en.find("Not known"), std::string::npos) << en;
}

TEST(RunReport, LongestTimeAndAConditionThatEndedTheRun) {
    std::string events =
        kHeader + row("07.100", "output on", "run", "") +
        row("07.200", "step begun", "step 1", "pass 1: 5.00 V 1.000 A until V>6 V") +
        row("10.200", "step ended", "step 1", "longest time: 3 s") +
        row("10.200", "step begun", "step 2", "pass 1: 2.00 V 1.000 A until I>0.3") +
        row("12.300", "step ended", "step 2",
            "\"condition: I>0.300 A, stop at 0.310 A after 2 s\"") +
        row("12.300", "output off", "step condition", kFigures);
    const RunReport r = run_report(record(kNine), events);
    ASSERT_EQ(r.steps.size(), 2u);
    EXPECT_EQ(r.steps[0].end, StepEnd::Longest);
    EXPECT_EQ(r.off_cause, "step condition");
    EXPECT_EQ(r.stopping_step, "step 2");
    EXPECT_EQ(r.stopping_condition, "I>0.300 A, stop at 0.310 A after 2 s");
    const std::string en = report_text(r, true);
    EXPECT_NE(en.find("its condition did not come within its longest time (3 s)"),
              std::string::npos)
        << en;
    EXPECT_NE(en.find("Run ended by: a step's condition (step 2: its condition I>0.300 A, stop "
                      "was met at 0.310 A after 2 s)"),
              std::string::npos)
        << en;
    const std::string zh = report_text(r, false);
    EXPECT_NE(zh.find("运行结束原因：步骤结束条件（步骤 2：满足结束条件 I>0.300 A, stop：测得 "
                      "0.310 A，用时 2 s）"),
              std::string::npos)
        << zh;
    EXPECT_NE(zh.find("在最长时间内未满足条件（3 s）"), std::string::npos) << zh;
    EXPECT_NE(zh.find("第 1 遍：5.00 V 1.000 A 直到 V>6 V"), std::string::npos) << zh;
}

TEST(RunReport, StaleLinesCountForNeitherLowestNorHighestAndAreTheSilences) {
    // The lines at 4:10:10 to 4:10:11 and 4:10:15 repeat values the supply never gave.
    std::vector<std::pair<const char*, const char*>> readings = kNine;
    readings[2] = {"09.99", "2.000"};
    readings[3] = {"00.00", "0.000"};
    readings[7] = {"00.01", "0.001"};
    const std::string notes = "The supply did not answer from 4:10:10 to 4:10:11; the readings "
                              "logged in that time were not measured.\r\n"
                              "The supply did not answer from 4:10:15 to 4:10:15; the readings "
                              "logged in that time were not measured.\r\nSave Path:/r/a.TXT\r\n";
    const RunReport r = run_report(record(readings, notes), three_steps());
    ASSERT_TRUE(r.volts && r.amps);
    EXPECT_DOUBLE_EQ(r.volts->highest, 5.0);
    EXPECT_DOUBLE_EQ(r.volts->lowest, 4.19);
    EXPECT_DOUBLE_EQ(r.amps->highest, 0.5);
    EXPECT_DOUBLE_EQ(r.amps->lowest, 0.047);
    EXPECT_EQ(r.measured, 6u);
    EXPECT_EQ(r.unmeasured, 3u);
    ASSERT_EQ(r.silences.size(), 2u);
    EXPECT_EQ(r.silences[0].from.second, 10);
    EXPECT_EQ(r.silences[0].to.second, 11);
    EXPECT_EQ(r.silences[1].from.second, 15);
    const std::string en = report_text(r, true);
    EXPECT_NE(en.find("Voltage: lowest 4.19 V, highest 5.00 V"), std::string::npos) << en;
    EXPECT_NE(en.find("Current: lowest 0.047 A, highest 0.500 A"), std::string::npos) << en;
    EXPECT_NE(en.find("Supply silent:\n  04:10:10 to 04:10:11\n  04:10:15 to 04:10:15\n"),
              std::string::npos)
        << en;
    EXPECT_NE(report_text(r, false).find("  04:10:10 至 04:10:11"), std::string::npos);
}

TEST(RunReport, AllStaleLeavesNoLowestOrHighest) {
    const std::string notes = "The supply did not answer from 4:10:08 to 4:10:09; the readings "
                              "logged in that time were not measured.\r\nSave Path:/r/a.TXT\r\n";
    const RunReport r = run_report(record({{"05.00", "0.500"}, {"05.00", "0.500"}}, notes), "");
    EXPECT_FALSE(r.volts);
    EXPECT_FALSE(r.amps);
    EXPECT_NE(report_text(r, true).find("no measured reading"), std::string::npos);
}

TEST(RunReport, WithoutEventsFileTheReadingsTellWhatTheyCanAndTheRestIsUnknown) {
    const RunReport r = run_report(record(kNine), "");
    EXPECT_FALSE(r.program_run());
    EXPECT_FALSE(r.has_events);
    EXPECT_FALSE(r.off_cause);
    EXPECT_TRUE(r.figures_from_readings);
    EXPECT_TRUE(r.seconds_from_readings);
    EXPECT_TRUE(r.end_from_readings);
    ASSERT_TRUE(r.end);
    EXPECT_EQ(r.end->second, 16);
    EXPECT_GT(r.coulombs, 0);
    const std::string en = report_text(r, true);
    EXPECT_NE(en.find("Run ended by: not told"), std::string::npos) << en;
    EXPECT_NE(en.find("End: 2026-12-09 04:10:16 (the last reading"), std::string::npos) << en;
    EXPECT_NE(en.find("Not known:\n  no events file"), std::string::npos) << en;
    EXPECT_NE(en.find("summed from the measured readings"), std::string::npos) << en;
}

TEST(RunReport, ManualPeriodHasNoSteps) {
    const std::string events = kHeader + row("07.100", "output on", "button", "5.00 V 0.500 A") +
                               row("16.600", "output off", "button", kFigures);
    const RunReport r = run_report(record(kNine), events);
    EXPECT_FALSE(r.program_run());
    const std::string en = report_text(r, true);
    EXPECT_NE(en.find("Steps: none (a manual period)"), std::string::npos) << en;
    EXPECT_NE(en.find("Run ended by: the output button"), std::string::npos) << en;
}

TEST(RunReport, DamagedTimelineIsToldAndWhatReadsIsKept) {
    // A row cut in half, a row of junk, a step ended without its begin, one begun that
    // never ended, an end word the program never wrote, a cause it does not know.
    const std::string events = kHeader + row("07.100", "output on", "run", "") +
                               "2026-12-09T04:10:08.000+01:00,step beg\r\n" + "\x01\x02zz\r\n" +
                               row("10.200", "step ended", "step 1", "seconds: 3 s") +
                               row("10.200", "step begun", "step 2", "odd detail") +
                               row("12.000", "step begun", "step 3", "pass 2: 1.00 V 0.1 A 1 s") +
                               row("13.000", "step ended", "step 3", "sideways: who knows") +
                               row("16.600", "output off", "cosmic ray", "not figures");
    const RunReport r = run_report(record(kNine), events);
    EXPECT_EQ(r.skipped_rows, 2u);
    ASSERT_EQ(r.steps.size(), 3u);
    EXPECT_FALSE(r.steps[0].begun);
    EXPECT_TRUE(r.steps[0].end_told);
    EXPECT_FALSE(r.steps[1].end_told);
    EXPECT_FALSE(r.steps[2].end);
    EXPECT_EQ(r.steps[2].end_detail, "sideways: who knows");
    EXPECT_TRUE(r.figures_from_readings); // the off row's detail is no figures
    const std::string en = report_text(r, true);
    EXPECT_NE(en.find("step 1, its begin not told"), std::string::npos) << en;
    EXPECT_NE(en.find("step 2 from 04:10:10: odd detail\n    its end is not told"),
              std::string::npos)
        << en;
    EXPECT_NE(en.find("ended 04:10:13: sideways: who knows"), std::string::npos) << en;
    EXPECT_NE(en.find("Run ended by: cosmic ray"), std::string::npos) << en;
    EXPECT_NE(en.find("2 rows of the events file could not be read"), std::string::npos) << en;
}

TEST(RunReport, OddRecordsSayWhatTheyAre) {
    const RunReport none = run_report("not a record\r\n", three_steps());
    EXPECT_EQ(none.error, ReadError::NotRecord);
    EXPECT_EQ(report_text(none, true), "No report: the first line is not KELVO: not a record\n");
    EXPECT_EQ(report_text(run_report("KELVO\r\n", ""), false).rfind("无法生成报告：", 0), 0u);
    // Cut short: no save line, no readings.
    const RunReport cut = run_report("KELVO\r\nVersion: 1.0\r\n2026-12-9   4:10:07\r\n", "");
    EXPECT_TRUE(cut.cut);
    EXPECT_FALSE(cut.seconds);
    EXPECT_NE(report_text(cut, true).find("the record ends early"), std::string::npos);
}

TEST(RunReport, ChineseTextHasNoEnglishCaptions) {
    const std::string zh = report_text(run_report(record(kNine), three_steps()), false);
    EXPECT_EQ(zh.rfind("运行报告\n配置方案：Li-ion charge（1 cell, 4.20 V a cell, 1.000 A）\n", 0),
              0u)
        << zh;
    EXPECT_NE(zh.find("步骤 2，04:10:10 开始：第 1 遍：4.20 V 1.000 A 直到 I<0.100 A"),
              std::string::npos)
        << zh;
    EXPECT_NE(zh.find("04:10:13 结束：满足结束条件 I<0.100 A：测得 0.098 A，用时 3 s"),
              std::string::npos)
        << zh;
    EXPECT_NE(zh.find("运行结束（停止按钮），用时 3 s"), std::string::npos) << zh;
    for (const char* english : {"Steps", "ended", "Run ", "Voltage", "Start", "pass "}) {
        EXPECT_EQ(zh.find(english), std::string::npos) << english << "\n" << zh;
    }
}

TEST(RunReport, LongProgramsAreListedByTheirEnds) {
    std::string events = kHeader + row("07.100", "output on", "run", "");
    for (int k = 1; k <= 100; ++k) {
        events += row("08.000", "step begun", "step " + std::to_string(k), "pass 1: 1 s");
        events += row("08.000", "step ended", "step " + std::to_string(k), "seconds: 1 s");
    }
    const std::string en = report_text(run_report(record(kNine), events), true);
    EXPECT_NE(en.find("step 20 from"), std::string::npos);
    EXPECT_EQ(en.find("step 21 from"), std::string::npos);
    EXPECT_NE(en.find("... 60 steps not listed ..."), std::string::npos) << en;
    EXPECT_NE(en.find("step 81 from"), std::string::npos);
    EXPECT_NE(en.find("step 100 from"), std::string::npos);
}

TEST(RunReport, ItsFilesAreBesideTheRecord) {
    EXPECT_EQ(report_path_of("/r/2026129411.TXT"), "/r/2026129411.report.txt");
    EXPECT_EQ(report_image_path_of("/r/2026129411.TXT"), "/r/2026129411.report.png");
    EXPECT_EQ(report_path_of("/r/x.log"), "/r/x.log.report.txt");
}

} // namespace
} // namespace kelvo::history
