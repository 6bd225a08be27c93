// base/: the texts of the steps tools (beyond the described window): steps from and to CSV
// files, the ramp, and why a file or a ramp was refused.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace kelvo::texts {

// The quantities of a step, as a problem names them, and their units.
inline constexpr Text kStepVoltage{"voltage", "电压"};
inline constexpr Text kStepCurrent{"current", "电流"};
inline constexpr Text kStepSeconds{"seconds", "秒数"};

// Where a problem is: a line of the file, or a field of the ramp; then what it is.
inline constexpr Text kProblemAt{"%1: %2", "%1：%2"};
inline constexpr Text kAtLine{"line %1", "第 %1 行"};
inline constexpr Text kAtFrom{"from", "起始值"};
inline constexpr Text kAtTo{"to", "结束值"};
inline constexpr Text kAtHeld{"held value", "保持值"};
inline constexpr Text kAtSecondsPerStep{"seconds per step", "每步秒数"};
inline constexpr Text kAtStepCount{"number of steps", "步数"};

// What is wrong.
inline constexpr Text kFileHasNothing{"the file is empty", "文件是空的"};
inline constexpr Text kFileHeaderOnly{"the file has its header line but no steps",
                                      "文件只有标题行，没有步骤"};
inline constexpr Text kUnknownColumn{"column \"%1\" is none of voltage V, current A, seconds",
                                     "列“%1”不是 voltage V、current A、seconds 之一"};
inline constexpr Text kColumnTwice{"column \"%1\" is given twice", "列“%1”出现了两次"};
inline constexpr Text kNoColumn{"the header line has no %1 column", "标题行缺少%1列"};
inline constexpr Text kExtraFields{"more fields than the header line names",
                                   "字段数多于标题行所列"};
inline constexpr Text kNoValue{"no %1", "缺少%1"};
inline constexpr Text kNotANumber{"%1 \"%2\" is not a number (a decimal point, please)",
                                  "%1“%2”不是数字（请用小数点）"};
inline constexpr Text kBelowLimit{"%1 %2 is below %3", "%1 %2 低于 %3"};
inline constexpr Text kAboveLimit{"%1 %2 is above %3", "%1 %2 高于 %3"};
inline constexpr Text kFinerThanCode{"%1 %2 is finer than %3", "%1 %2 比 %3 更细"};
inline constexpr Text kNotWhole{"%1 %2 is not a whole number", "%1 %2 不是整数"};
inline constexpr Text kTooManyFileSteps{"more than %1 steps; the step table holds %1 at most",
                                        "超过 %1 步；步骤表最多容纳 %1 步"};
inline constexpr Text kStepCountRange{"%1 is not from 2 to %2", "%1 不在 2 到 %2 之间"};
inline constexpr Text kMoreProblems{"... and %1 more lines with problems", "……另有 %1 行有问题"};

// Applying steps to the table, and why it was refused.
inline constexpr Text kStepsNotChanged{"The step table was not changed: %1", "步骤表未更改：%1"};
inline constexpr Text kStepsInUse{"a step program is running; stop it first",
                                  "步骤程序正在运行，请先停止"};
inline constexpr Text kTableWouldOverflow{"it would hold %1 steps, %2 at most",
                                          "将有 %1 步，最多 %2 步"};

// The tool strip's Steps button and its menu.
inline constexpr Text kStepsButton{"Steps", "步骤"};
inline constexpr Text kImportItem{"Import CSV...", "导入 CSV…"};
inline constexpr Text kExportItem{"Export CSV...", "导出 CSV…"};
inline constexpr Text kRampItem{"Ramp...", "斜坡…"};
inline constexpr Text kStepsWhileRunning{"Steps (a program is running: export only)",
                                         "步骤（程序运行中：只能导出）"};
inline constexpr Text kCsvFilter{"CSV files (*.csv);;All files (*)",
                                 "CSV 文件 (*.csv);;所有文件 (*)"};
inline constexpr Text kImportTitle{"Import steps", "导入步骤"};
inline constexpr Text kExportTitle{"Export steps", "导出步骤"};

// Importing a file.
inline constexpr Text kImportQuestion{
    "%1 holds %2 steps. Add them after the %3 steps of the table, or put them in their place?",
    "%1 有 %2 步。添加到步骤表现有 %3 步之后，还是替换它们？"};
inline constexpr Text kImportAppend{"Add", "添加"};
inline constexpr Text kImportReplace{"Replace", "替换"};
inline constexpr Text kImportCancel{"Cancel", "取消"};
inline constexpr Text kFileTooLarge{"the file is larger than %1 MB; a step table is far smaller",
                                    "文件大于 %1 MB；步骤表远比这小"};
inline constexpr Text kFileNotRead{"the file cannot be read (%1)", "无法读取文件（%1）"};
inline constexpr Text kProblemsTitle{"Steps not imported", "未导入步骤"};
inline constexpr Text kProblemsHeading{"Nothing was written to the step table: %1 has problems.",
                                       "步骤表未写入任何内容：%1 有问题。"};
inline constexpr Text kProblemsClose{"Close", "关闭"};
inline constexpr Text kImported{"Imported %1 steps from %2", "已从 %2 导入 %1 步"};

// Exporting the table.
inline constexpr Text kExported{"Wrote the %1 steps of the table to %2",
                                "已将步骤表的 %1 步写入 %2"};
inline constexpr Text kNotExported{"The steps were not written to %1: %2", "步骤未写入 %1：%2"};

// The ramp.
inline constexpr Text kRampTitle{"Ramp of steps", "斜坡步骤"};
inline constexpr Text kRampOf{"Ramp of", "斜坡量"};
inline constexpr Text kRampVoltage{"Voltage (V)", "电压 (V)"};
inline constexpr Text kRampCurrent{"Current (A)", "电流 (A)"};
inline constexpr Text kRampFrom{"From", "起始值"};
inline constexpr Text kRampTo{"To", "结束值"};
inline constexpr Text kRampSteps{"Number of steps", "步数"};
inline constexpr Text kRampSeconds{"Seconds per step", "每步秒数"};
inline constexpr Text kRampHeldCurrent{"Current held (A)", "保持电流 (A)"};
inline constexpr Text kRampHeldVoltage{"Voltage held (V)", "保持电压 (V)"};
inline constexpr Text kRampAppend{"Add after the table's steps", "添加到现有步骤之后"};
inline constexpr Text kRampReplace{"Replace the table's steps", "替换现有步骤"};
inline constexpr Text kRampWrite{"Write to the table", "写入步骤表"};
inline constexpr Text kRampClose{"Close", "关闭"};
inline constexpr Text kRampWritten{"%1 steps written.", "已写入 %1 步。"};
inline constexpr Text kRampRunning{"A step program is running: stop it first.",
                                   "步骤程序正在运行：请先停止。"};

// The installed program could not give the user a step table of their own.
inline constexpr Text kStepTableNotCopied{
    "The step table could not be copied to %1 (%2): the installed sample is shown and cannot "
    "be changed.",
    "无法将步骤表复制到 %1（%2）：显示的是安装的示例，无法修改。"};

// The end condition of a step: the names of its cells, and why a row's cells were refused
// (%1 the cell, %2 the value as written, %3 the range).
inline constexpr Text kConditionEndWhen{"end when", "结束条件"};
inline constexpr Text kConditionLevel{"level", "阈值"};
inline constexpr Text kConditionShortest{"shortest s", "最短秒数"};
inline constexpr Text kConditionLongest{"longest s", "最长秒数"};
inline constexpr Text kConditionThen{"then", "然后"};
inline constexpr Text kConditionUnknownThen{"%1 \"%2\" is neither next nor stop",
                                            "%1“%2”既不是 next 也不是 stop"};
inline constexpr Text kConditionUnknown{
    "%1 \"%2\" is not a condition; use I<, I>, V<, V>, P<, P>, mAh> or mWh>",
    "%1“%2”不是结束条件；请用 I<、I>、V<、V>、P<、P>、mAh> 或 mWh>"};
inline constexpr Text kConditionNoLevel{"the condition has no %1", "结束条件缺少%1"};
inline constexpr Text kConditionNotANumber{"%1 \"%2\" is not a number (a decimal point, please)",
                                           "%1“%2”不是数字（请用小数点）"};
inline constexpr Text kConditionLevelRange{"%1 %2 is outside 0 to %3", "%1 %2 超出 0 至 %3"};
inline constexpr Text kConditionTimeWhole{"%1 %2 is not a whole number of seconds from 0 to %3",
                                          "%1 %2 不是 0 至 %3 之间的整秒数"};
inline constexpr Text kConditionLongestShort{"%1 %2 is below the shortest time",
                                             "%1 %2 小于最短时间"};
inline constexpr Text kConditionWithoutKind{"%1 %2 is given, but no end condition",
                                            "给出了%1 %2，但没有结束条件"};
// Test profiles, on the monitor.
inline constexpr Text kProfileLoaded{"Profile \"%1\" written to the step table.",
                                     "配置方案“%1”已写入步骤表。"};
inline constexpr Text kProfileTableChanged{
    "The step table is no longer what profile \"%1\" wrote: it runs without the profile's limits.",
    "步骤表已不是配置方案“%1”写入的内容：按普通步骤表运行，不带该方案的限值。"};
// RUN refuses a row whose condition is wrong: the row (1-based), then why.
inline constexpr Text kConditionRowPrompt{"Item No.%1: %2", "第 %1 项：%2"};
inline constexpr Text kConditionErrorTitle{"Setting end condition error", "结束条件设置错误"};

// The grid's columns of a step's end condition, and its menu's item that adds them.
inline constexpr Text kEndWhenHeading{"End when", "结束条件"};
inline constexpr Text kLevelHeading{"Level", "阈值"};
inline constexpr Text kShortestHeading{"Shortest s", "最短秒数"};
inline constexpr Text kLongestHeading{"Longest s", "最长秒数"};
inline constexpr Text kThenHeading{"Then", "然后"};
inline constexpr Text kAddConditionsItem{"Add end conditions", "添加结束条件"};

} // namespace kelvo::texts
