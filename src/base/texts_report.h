// base/: the texts of a run's report: the summary written beside a record, shown in the
// history window and printed by the command line.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace kelvo::texts {

inline constexpr Text kReportTitle{"Run report", "运行报告"};
inline constexpr Text kReportProfile{"Profile: %1", "配置方案：%1"};
inline constexpr Text kReportProfileSettings{"Profile: %1 (%2)", "配置方案：%1（%2）"};
inline constexpr Text kReportStart{"Start: %1", "开始：%1"};
inline constexpr Text kReportEnd{"End: %1", "结束：%1"};
inline constexpr Text kReportEndLastReading{
    "End: %1 (the last reading; the switch-off is not told)",
    "结束：%1（最后一个读数；未记载关闭输出的时刻）"};
inline constexpr Text kReportDuration{"Duration: %1", "时长：%1"};
inline constexpr Text kReportDurationFromReadings{"Duration: %1 (from the readings)",
                                                  "时长：%1（由读数得出）"};
inline constexpr Text kReportFigures{"Charge: %1   Energy: %2", "电量：%1   能量：%2"};
inline constexpr Text kReportFiguresFromReadings{
    "Charge: %1   Energy: %2 (summed from the measured readings)",
    "电量：%1   能量：%2（由测量读数累计）"};
inline constexpr Text kReportSteps{"Steps:", "步骤："};
inline constexpr Text kReportNoSteps{"Steps: none (a manual period)", "步骤：无（手动输出时段）"};
inline constexpr Text kReportStep{"  %1 from %2: %3", "  %1，%2 开始：%3"};
inline constexpr Text kReportStepBeginUnknown{"  %1, its begin not told", "  %1，未记载其开始"};
inline constexpr Text kReportStepEnd{"    ended %1: %2", "    %1 结束：%2"};
inline constexpr Text kReportStepNoEnd{"    its end is not told", "    未记载其结束"};
inline constexpr Text kReportStepsLeftOut{"  ... %1 steps not listed ...",
                                          "  ……另有 %1 个步骤未列出……"};
inline constexpr Text kReportStepName{"step %1", "步骤 %1"};
// Why a step ended, by the first word of its "step ended" detail.
inline constexpr Text kReportEndSeconds{"its time was up (%1)", "到达设定时间（%1）"};
inline constexpr Text kReportEndCondition{"its condition %1 was met at %2 after %3",
                                          "满足结束条件 %1：测得 %2，用时 %3"};
inline constexpr Text kReportEndLongest{"its condition did not come within its longest time (%1)",
                                        "在最长时间内未满足条件（%1）"};
inline constexpr Text kReportEndRun{"the run ended (%1) after %2", "运行结束（%1），用时 %2"};
inline constexpr Text kReportEndOther{"%1", "%1"};
// A step's set-points as its "step begun" row gives them.
inline constexpr Text kReportPass{"pass %1: %2", "第 %1 遍：%2"};
inline constexpr Text kReportUntil{" until ", " 直到 "};
inline constexpr Text kReportRunEnded{"Run ended by: %1", "运行结束原因：%1"};
inline constexpr Text kReportRunEndedCondition{"Run ended by: %1 (%2: %3)",
                                               "运行结束原因：%1（%2：%3）"};
inline constexpr Text kReportRunEndUnknown{"Run ended by: not told", "运行结束原因：未记载"};
// The causes of "output off", in the order of OffCause.
inline constexpr Text kReportOffCauses[] = {
    {"the output button", "输出按钮"},
    {"STOP", "停止按钮"},
    {"the run count was done", "运行次数已完成"},
    {"an over-current trip", "过流跳闸"},
    {"the voltage limit", "电压限值"},
    {"the time limit", "时间限值"},
    {"the charge limit", "电量限值"},
    {"the energy limit", "能量限值"},
    {"the supply not answering", "电源无应答"},
    {"remote control", "远程控制"},
    {"the window being closed", "关闭窗口"},
    {"the program stopping (recovered at the next start)", "程序中止（下次启动时恢复）"},
    {"a step's condition", "步骤结束条件"},
};
inline constexpr Text kReportLimit{"Limit: %1", "限值：%1"};
inline constexpr Text kReportVoltage{"Voltage: lowest %1 V, highest %2 V",
                                     "电压：最低 %1 V，最高 %2 V"};
inline constexpr Text kReportCurrent{"Current: lowest %1 A, highest %2 A",
                                     "电流：最低 %1 A，最高 %2 A"};
inline constexpr Text kReportNoMeasured{"Voltage and current: no measured reading",
                                        "电压和电流：没有测量读数"};
inline constexpr Text kReportReadings{"Readings: %1 measured, %2 not measured",
                                      "读数：测量值 %1 个，非测量值 %2 个"};
inline constexpr Text kReportSilences{"Supply silent:", "电源无应答："};
inline constexpr Text kReportNoSilence{"Supply silent: never", "电源无应答：无"};
inline constexpr Text kReportSilence{"  %1 to %2", "  %1 至 %2"};
inline constexpr Text kReportSilencesLeftOut{"  ... %1 more ...", "  ……另有 %1 段……"};
inline constexpr Text kReportNotKnown{"Not known:", "未知："};
inline constexpr Text kReportNoEvents{
    "  no events file: the steps, the profile and what ended the run",
    "  没有事件文件：步骤、配置方案和运行结束原因"};
inline constexpr Text kReportSkippedRows{"  %1 rows of the events file could not be read",
                                         "  事件文件中有 %1 行无法读取"};
inline constexpr Text kReportCut{"  the record ends early (cut short or still running)",
                                 "  记录提前结束（被截断或仍在运行）"};
inline constexpr Text kReportNotSavedNote{"  the record says it could not be saved",
                                          "  记录表明其未能保存"};
inline constexpr Text kReportJunk{"  %1 unreadable lines of the record were skipped",
                                  "  跳过记录中 %1 行无法读取的内容"};
inline constexpr Text kReportRecovered{"Recovered after a crash", "崩溃后恢复"};
inline constexpr Text kReportUsage{"usage: kelvo --report RECORD.TXT",
                                   "用法：kelvo --report RECORD.TXT"};
inline constexpr Text kReportNoRecord{"No report: %1", "无法生成报告：%1"};
// On the monitor: the record is saved, its report or its picture is not.
inline constexpr Text kReportNotSaved{"The report of the run could not be saved at %1: %2",
                                      "运行报告无法保存到 %1：%2"};
inline constexpr Text kReportImageNotSaved{"The picture of the run could not be saved at %1: %2",
                                           "运行曲线图无法保存到 %1：%2"};
inline constexpr Text kReportImageNotDrawn{"the record could not be read back: %1",
                                           "无法读回记录：%1"};
// The history window's tabs.
inline constexpr Text kReportTabPlot{"Graphs", "曲线"};
inline constexpr Text kReportTabReport{"Report", "报告"};

} // namespace kelvo::texts
