// base/: the texts of the test profiles: their names, their figures, why figures or a
// profile's text were refused, the preview of a plan in words, and the profile dialog.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace kelvo::texts {

// The profiles.
inline constexpr Text kProfileLiIon{"Li-ion charge", "锂离子电池充电"};
inline constexpr Text kProfileLeadAcid{"Lead-acid charge", "铅酸电池充电"};
inline constexpr Text kProfileNickel{"NiMH/NiCd charge", "镍氢/镍镉电池充电"};
inline constexpr Text kProfileBurnIn{"Burn-in", "老化测试"};
inline constexpr Text kProfileSweep{"Voltage sweep", "电压扫描"};

// Their figures, as the dialog labels them and problems name them.
inline constexpr Text kFigureCells{"Cells in series", "串联节数"};
inline constexpr Text kFigureCellVolts{"Charge voltage a cell (V)", "每节充电电压 (V)"};
inline constexpr Text kFigureBulkVolts{"Bulk voltage a cell (V)", "每节主充电压 (V)"};
inline constexpr Text kFigureFloatVolts{"Float voltage a cell (V)", "每节浮充电压 (V)"};
inline constexpr Text kFigureEndVolts{"End voltage a cell (V)", "每节终止电压 (V)"};
inline constexpr Text kFigureVolts{"Voltage (V)", "电压 (V)"};
inline constexpr Text kFigureFrom{"From (V)", "起始电压 (V)"};
inline constexpr Text kFigureTo{"To (V)", "结束电压 (V)"};
inline constexpr Text kFigureStepVolts{"Step (V)", "步长 (V)"};
inline constexpr Text kFigureCurrent{"Charge current (A)", "充电电流 (A)"};
inline constexpr Text kFigureLimit{"Current limit (A)", "限制电流 (A)"};
inline constexpr Text kFigureTaper{"End at taper current (A)", "截止电流 (A)"};
inline constexpr Text kFigureLevel{"Stop when the current exceeds (A)", "电流超过此值时停止 (A)"};
inline constexpr Text kFigureHours{"Hours", "小时数"};
inline constexpr Text kFigureSafetyHours{"Safety time (h)", "安全时间 (h)"};
inline constexpr Text kFigureFloatHours{"Float time (h)", "浮充时间 (h)"};
inline constexpr Text kFigureChargeHours{"Charge time (h)", "充电时间 (h)"};
inline constexpr Text kFigureBurnInHours{"Burn-in time (h)", "老化时间 (h)"};
inline constexpr Text kFigureBulkHours{"Bulk time at most (h)", "主充最长时间 (h)"};
inline constexpr Text kFigureSeconds{"Seconds a step", "每步秒数"};
inline constexpr Text kFigureCapacity{"Capacity: the charge limit (mAh)", "容量：充电量限值 (mAh)"};

// Why figures were refused: %1 the figure's label, %2 the value.
inline constexpr Text kProfileMissing{"%1: not given", "%1：未给出"};
inline constexpr Text kProfileNotANumber{"%1: \"%2\" is not a number (a decimal point, please)",
                                         "%1：“%2”不是数字（请用小数点）"};
inline constexpr Text kProfileOutOfRange{"%1: %2 is outside %3 to %4", "%1：%2 超出 %3 至 %4"};
inline constexpr Text kProfileFiner{"%1: %2 is finer than %3", "%1：%2 比 %3 更细"};
inline constexpr Text kProfileNotOneOf{"%1: %2 is neither 4.20 nor 4.35",
                                       "%1：%2 既不是 4.20 也不是 4.35"};
inline constexpr Text kProfileNotBelow{"%1: %2 is not below the %3, %4", "%1：%2 不低于%3 %4"};
inline constexpr Text kProfileTotalVoltage{"%1: the cells come to %2 V, above 31 V",
                                           "%1：各节合计 %2 V，超过 31 V"};
inline constexpr Text kProfileSameEnds{"%1: the sweep would go from %2 V to the same voltage",
                                       "%1：扫描的起止电压相同，都是 %2 V"};
inline constexpr Text kProfileTooLong{"%1: the run would last %2, more than a year",
                                      "%1：运行将持续 %2，超过一年"};
// The text form of a profile.
inline constexpr Text kProfileEmpty{
    "the profile text is empty; it begins with LIION, LEADACID, NIMH, NICD, BURNIN or SWEEP",
    "配置方案文本为空；应以 LIION、LEADACID、NIMH、NICD、BURNIN 或 SWEEP 开头"};
inline constexpr Text kProfileUnknownKind{
    "\"%1\" is not a profile; use LIION, LEADACID, NIMH, NICD, BURNIN or SWEEP",
    "“%1”不是配置方案；请用 LIION、LEADACID、NIMH、NICD、BURNIN 或 SWEEP"};
inline constexpr Text kProfileUnknownKey{"\"%1\" is not a figure of this profile; it takes %2",
                                         "“%1”不是此方案的参数；它接受 %2"};
inline constexpr Text kProfileKeyTwice{"\"%1\" is given twice", "“%1”给出了两次"};
inline constexpr Text kProfileNoEquals{"\"%1\" is not key=value", "“%1”不是 键=值 的形式"};

// A plan in words.
inline constexpr Text kPreviewPlan{"%1, steps: %2.", "%1：共 %2 步。"};
inline constexpr Text kPreviewStep{"Step %1: %2, %3; %4.", "第 %1 步：%2，%3；%4。"};
inline constexpr Text kPreviewMore{"... %1 more steps of the same kind ...",
                                   "……另有 %1 步同类步骤……"};
inline constexpr Text kPreviewLasts{"lasts %1", "持续 %1"};
inline constexpr Text kPreviewEndsWhen{"ends when %1 (from %2 on)", "%1时结束（%2 之后）"};
inline constexpr Text kPreviewAndRun{", and with it the run", "，运行随之结束"};
inline constexpr Text kPreviewLongestNext{"; at the latest after %1, then the next step",
                                          "；最迟 %1 后转到下一步"};
inline constexpr Text kPreviewLongestLast{"; at the latest after %1, then the run ends",
                                          "；最迟 %1 后运行结束"};
inline constexpr Text kPreviewCurrentBelow{"the current falls below %1", "电流降到 %1 以下"};
inline constexpr Text kPreviewCurrentAbove{"the current rises above %1", "电流升到 %1 以上"};
inline constexpr Text kPreviewVoltageBelow{"the voltage falls below %1", "电压降到 %1 以下"};
inline constexpr Text kPreviewVoltageAbove{"the voltage rises above %1", "电压升到 %1 以上"};
inline constexpr Text kPreviewPowerBelow{"the power falls below %1", "功率降到 %1 以下"};
inline constexpr Text kPreviewPowerAbove{"the power rises above %1", "功率升到 %1 以上"};
inline constexpr Text kPreviewChargeAbove{"the charge passes %1", "电量超过 %1"};
inline constexpr Text kPreviewEnergyAbove{"the energy passes %1", "能量超过 %1"};
inline constexpr Text kPreviewLimits{"Limits of the run: %1.", "运行的限值：%1。"};
inline constexpr Text kPreviewLimitItem{"%1 %2", "%1 %2"};
inline constexpr Text kDurationHours{"%1 h", "%1 小时"};
inline constexpr Text kDurationMinutes{"%1 min", "%1 分钟"};
inline constexpr Text kDurationSeconds{"%1 s", "%1 秒"};

// The profile dialog, from the Steps menu.
inline constexpr Text kProfileItem{"Profile...", "配置方案…"};
inline constexpr Text kProfileTitle{"Test profile", "测试配置方案"};
inline constexpr Text kProfileKindLabel{"Profile", "方案"};
inline constexpr Text kProfileNoCapacity{"none", "不设"};
inline constexpr Text kProfileStepsHeading{"The steps it writes:", "将写入的步骤："};
inline constexpr Text kProfileSecondsHeading{"Seconds", "秒数"};
inline constexpr Text kProfileWrite{"Write to the table", "写入步骤表"};
inline constexpr Text kProfileRun{"Write and run", "写入并运行"};
inline constexpr Text kProfileClose{"Close", "关闭"};
inline constexpr Text kProfileRunning{"A step program is running: stop it first.",
                                      "步骤程序正在运行：请先停止。"};
inline constexpr Text kProfileWritten{"Steps written: %1; the limits are set for the next run.",
                                      "已写入 %1 步；限值已为下次运行设好。"};
inline constexpr Text kProfileStarted{"Steps written: %1; the run has started.",
                                      "已写入 %1 步并开始运行。"};
inline constexpr Text kProfileNotWritten{"Not written: %1", "未写入：%1"};

} // namespace kelvo::texts
