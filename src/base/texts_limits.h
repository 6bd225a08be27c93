// base/: the texts of the limits that guard the device under test: the Limits window, the
// tool strip's line, the refusals, the switch-offs and the record's note lines. Boxes are
// in English in either language, as the window's own boxes are.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace kelvo::texts {

// The Limits window and its button on the tool strip.
inline constexpr Text kLimitsButton{"Limits", "限值"};
inline constexpr Text kLimitsTitle{"Limits", "限值"};
inline constexpr Text kLimitsIntro{
    "Leave a box empty for no limit. The voltage and current limits refuse any higher "
    "set-point; the others switch the output off when they are reached.",
    "留空表示不设限值。电压和电流限值拒绝任何更高的设定值；其余限值达到时关闭输出。"};
inline constexpr Text kLimitVoltageLabel{"Highest voltage (V)", "最高电压 (V)"};
inline constexpr Text kLimitCurrentLabel{"Highest current (A)", "最大电流 (A)"};
inline constexpr Text kLimitTimeLabel{"Period time (s)", "输出时长 (s)"};
inline constexpr Text kLimitChargeLabel{"Charge (mAh)", "电量 (mAh)"};
inline constexpr Text kLimitEnergyLabel{"Energy (mWh)", "能量 (mWh)"};
inline constexpr Text kLimitSilenceLabel{"Off after silence (s)", "无应答后关闭 (s)"};
inline constexpr Text kLimitsApply{"Apply", "应用"};
inline constexpr Text kLimitsClear{"Clear all", "全部清除"};
inline constexpr Text kLimitsClose{"Close", "关闭"};
// The tool strip while any limit is set: "Limits: ≤5.00 V  ≤1.000 A  60 s".
inline constexpr Text kLimitsStrip{"Limits: %1", "限值：%1"};
// The silence limit on the strip: "off after 10 s silent".
inline constexpr Text kLimitSilenceStrip{"off after %1 silent", "无应答 %1 后关闭"};

// The limits by name, in messages and on the strip.
inline constexpr Text kLimitVoltageName{"voltage limit", "电压限值"};
inline constexpr Text kLimitCurrentName{"current limit", "电流限值"};
inline constexpr Text kLimitTimeName{"time limit", "时间限值"};
inline constexpr Text kLimitChargeName{"charge limit", "电量限值"};
inline constexpr Text kLimitEnergyName{"energy limit", "能量限值"};
inline constexpr Text kLimitSilenceName{"silence limit", "无应答限值"};

// A value refused: by the window, the command line or the file.
inline constexpr Text kLimitNotANumber{"The %1 \"%2\" is not a number.",
                                       "The %1 \"%2\" is not a number."};
inline constexpr Text kLimitOutOfRange{"The %1 must be from %2 to %3; \"%4\" is not.",
                                       "The %1 must be from %2 to %3; \"%4\" is not."};
inline constexpr Text kLimitOutOfRangeAboveZero{
    "The %1 must be above 0 %2 and at most %3; \"%4\" is not.",
    "The %1 must be above 0 %2 and at most %3; \"%4\" is not."};
inline constexpr Text kLimitBelowSetpoint{
    "The %1 cannot be set to %2 while the output is on: the present set-point is %3. Lower "
    "the set-point first.",
    "The %1 cannot be set to %2 while the output is on: the present set-point is %3. Lower "
    "the set-point first."};
inline constexpr Text kLimitBelowStep{
    "The %1 cannot be set to %2 while the step program runs: step %3 asks for %4. Stop the "
    "program first.",
    "The %1 cannot be set to %2 while the step program runs: step %3 asks for %4. Stop the "
    "program first."};
inline constexpr Text kLimitsErrorTitle{"Limits", "Limits"};
inline constexpr Text kLimitsFileDamaged{
    "The limits file %1 is damaged and was ignored: %2. No limit from it is in force.",
    "The limits file %1 is damaged and was ignored: %2. No limit from it is in force."};
inline constexpr Text kLimitsFileNotSaved{
    "The limits are in force but could not be kept for the next start: %1",
    "The limits are in force but could not be kept for the next start: %1"};
inline constexpr Text kLimitsFileLine{"line %1: %2", "line %1: %2"};
inline constexpr Text kLimitsFileNotLine{"not a key=value line", "not a key=value line"};
inline constexpr Text kLimitsFileUnknownKey{"unknown key \"%1\"", "unknown key \"%1\""};
inline constexpr Text kLimitsFileRepeatedKey{"\"%1\" given twice", "\"%1\" given twice"};
inline constexpr Text kLimitsFileTooLarge{"larger than a limits file can be",
                                          "larger than a limits file can be"};
inline constexpr Text kLimitsFileNotRegular{"not a regular file", "not a regular file"};

// A set-point above its limit, from the window (a box) and from remote control (the
// error's detail).
inline constexpr Text kSetpointAboveLimit{
    "The set-point %1 is above the %2 of %3 and was not taken.",
    "The set-point %1 is above the %2 of %3 and was not taken."};
inline constexpr Text kVoltageLimitTitle{"Voltage limit", "Voltage limit"};
inline constexpr Text kCurrentLimitTitle{"Current limit", "Current limit"};
inline constexpr Text kScpiAboveLimit{"above the %1 of %2", "above the %1 of %2"};
// RUN with rows above a limit: "2, 5, 7" (the first few, then "and N more").
inline constexpr Text kStepsAboveLimit{"Rows %1 of the step table are above the %2 of %3.",
                                       "Rows %1 of the step table are above the %2 of %3."};
inline constexpr Text kRowsAndMore{"%1 and %2 more", "%1 and %2 more"};

// The output switched off by a limit: the box, and the record's line before its save
// line. %1 is one of the reasons below.
inline constexpr Text kLimitOffNote{"Output switched off by a limit: %1.", "输出被限值关闭：%1。"};
inline constexpr Text kLimitOffTitle{"Output switched off", "Output switched off"};
inline constexpr Text kOverVoltageReason{
    "the measured voltage %1 was above the voltage limit of %2 in two readings in a row",
    "连续两次测得电压 %1 高于电压限值 %2"};
inline constexpr Text kTimeLimitReason{"the time limit of %1 was reached", "达到时间限值 %1"};
inline constexpr Text kChargeLimitReason{"the charge limit of %1 was reached", "达到电量限值 %1"};
inline constexpr Text kEnergyLimitReason{"the energy limit of %1 was reached", "达到能量限值 %1"};
inline constexpr Text kSilenceReason{"the supply did not answer for %1", "电源 %1 无应答"};

// The record's line for each span in which the supply did not answer.
inline constexpr Text kSilenceNote{
    "The supply did not answer from %1 to %2; the readings logged in that time were not "
    "measured.",
    "电源在 %1 至 %2 期间没有应答；这段时间记录的读数不是测量值。"};
inline constexpr Text kEventsNotSaved{"The timeline of the period could not be saved at %1: %2",
                                      "The timeline of the period could not be saved at %1: %2"};
// On the tool strip, before the period's figures, while the latest read second brought
// no valid reply.
inline constexpr Text kSupplyNotAnswering{"Supply not answering", "电源无应答"};

// Remote control: a query for a reading that is not a measurement.
inline constexpr Text kScpiStale{"Data corrupt or stale", "Data corrupt or stale"};
inline constexpr Text kScpiStaleDetail{"the supply is not answering",
                                       "the supply is not answering"};

// The command line.
inline constexpr Text kOptionMaxVoltage{
    "Refuse any voltage set-point above V volts, and switch the output off when the "
    "measured voltage is above it in two readings in a row.",
    "拒绝高于 V 伏的电压设定值；连续两次测得电压高于它时关闭输出。"};
inline constexpr Text kOptionMaxCurrent{"Refuse any current set-point above A amperes.",
                                        "拒绝高于 A 安的电流设定值。"};
inline constexpr Text kOptionMaxTime{"End each output period after S seconds.",
                                     "每段输出 S 秒后结束。"};
inline constexpr Text kOptionMaxCharge{
    "End each output period once MAH mAh have gone into the load.",
    "负载累计电量达到 MAH mAh 时结束输出。"};
inline constexpr Text kOptionMaxEnergy{
    "End each output period once MWH mWh have gone into the load.",
    "负载累计能量达到 MWH mWh 时结束输出。"};
inline constexpr Text kOptionOffAfterSilence{
    "Switch the output off when the supply has not answered for S seconds.",
    "电源 S 秒无应答时关闭输出。"};
inline constexpr Text kBadLimitOption{"--%1: %2", "--%1：%2"};

} // namespace kelvo::texts
