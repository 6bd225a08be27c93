// base/: the texts of the history tools (beyond the described window): the history window
// and the export of a record from the command line.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace kelvo::texts {

// Why a file is not a record.
inline constexpr Text kNotRecord{"the first line is not KELVO: not a record",
                                 "第一行不是 KELVO：不是记录文件"};
inline constexpr Text kNoDateLine{"no date line after KELVO: not a record",
                                  "KELVO 之后没有日期行：不是记录文件"};

// kelvo --export-csv RECORD.TXT [OUT.csv]
inline constexpr Text kExportUsage{"usage: kelvo --export-csv RECORD.TXT [OUT.csv]",
                                   "用法: kelvo --export-csv 记录.TXT [输出.csv]"};
inline constexpr Text kExportCannotRead{"kelvo: %1: cannot be read: %2", "kelvo: %1: 无法读取: %2"};
inline constexpr Text kExportNotRecord{"kelvo: %1: %2", "kelvo: %1: %2"};
inline constexpr Text kExportCannotWrite{"kelvo: %1: cannot be written: %2",
                                         "kelvo: %1: 无法写入: %2"};
// kelvo --export-events RECORD.TXT [OUT.csv]
inline constexpr Text kExportEventsUsage{"usage: kelvo --export-events RECORD.TXT [OUT.csv]",
                                         "用法: kelvo --export-events 记录.TXT [输出.csv]"};
// Why a record is not read: a pipe or a device would make the program wait.
inline constexpr Text kNotRegularFile{"not a regular file", "不是普通文件"};

// The history window.
inline constexpr Text kHistoryButton{"History", "历史"};
inline constexpr Text kHistoryTitle{"History", "历史记录"};
inline constexpr Text kHistoryFile{"&File", "文件(&F)"};
inline constexpr Text kHistoryOpen{"&Open record...", "打开记录(&O)..."};
inline constexpr Text kHistoryExportCsv{"Export &CSV...", "导出 &CSV..."};
inline constexpr Text kHistoryExportPng{"Export &PNG...", "导出 &PNG..."};
inline constexpr Text kHistoryShowAll{"Show &all", "显示全部(&A)"};
inline constexpr Text kHistoryClose{"&Close", "关闭(&C)"};
inline constexpr Text kHistoryRecords{"Records", "记录"};
inline constexpr Text kHistoryLive{"Output period (live)", "输出时段（实时）"};
inline constexpr Text kHistoryRecordFiles{"Records (*.TXT *.txt);;All files (*)",
                                          "记录 (*.TXT *.txt);;所有文件 (*)"};
inline constexpr Text kHistoryCsvFiles{"CSV (*.csv)", "CSV (*.csv)"};
inline constexpr Text kHistoryPngFiles{"PNG (*.png)", "PNG (*.png)"};
inline constexpr Text kHistoryVoltage{"Voltage (V)", "电压 (V)"};
inline constexpr Text kHistoryCurrent{"Current (A)", "电流 (A)"};
inline constexpr Text kHistoryPower{"Power (W)", "功率 (W)"};
inline constexpr Text kHistoryTime{"Time", "时间"};
// Readings, charge, energy, what the file says of itself.
inline constexpr Text kHistorySummary{"%1 readings   Charge %2   Energy %3   %4",
                                      "%1 个读数   电量 %2   能量 %3   %4"};
inline constexpr Text kHistorySaved{"saved", "已保存"};
inline constexpr Text kHistoryNotSaved{"not saved", "未保存"};
inline constexpr Text kHistoryRecovered{"recovered after a crash", "崩溃后恢复"};
inline constexpr Text kHistoryRunning{"output on", "输出中"};
inline constexpr Text kHistoryCut{"ends early (cut or still running)",
                                  "提前结束（被截断或仍在运行）"};
inline constexpr Text kHistoryJunk{"%1 unreadable lines skipped", "跳过 %1 行无法读取的内容"};
inline constexpr Text kHistoryNoPeriod{"No output period yet", "尚无输出时段"};
inline constexpr Text kHistoryLoading{"Reading %1 ...", "正在读取 %1 ..."};
inline constexpr Text kHistoryTracer{"%1   %2 V   %3 A   %4 W", "%1   %2 V   %3 A   %4 W"};
inline constexpr Text kHistoryTracerSilent{"%1   not measured: the supply did not answer",
                                           "%1   不是测量值：电源无应答"};
inline constexpr Text kHistoryFailed{"%1: %2", "%1: %2"};
inline constexpr Text kPngNotWritten{"the image could not be written there", "无法在此处写入图像"};
// The summary's notes on silences and on a limit that ended the period.
inline constexpr Text kHistoryUnmeasured{"%1 readings not measured (supply silent)",
                                         "%1 个读数不是测量值（电源无应答）"};
inline constexpr Text kHistoryLimitOff{"switched off by a limit: %1", "被限值关闭：%1"};

// An event's tooltip on the plot, under its time: what, who and how.
inline constexpr Text kHistoryEventKind{"Event: %1", "事件：%1"};
inline constexpr Text kHistoryEventSource{"Source: %1", "来源：%1"};
inline constexpr Text kHistoryEventDetail{"Detail: %1", "详情：%1"};
inline constexpr Text kHistoryEventFigures{"%1 on, charge %2, energy %3",
                                           "输出 %1，电量 %2，能量 %3"};
inline constexpr Text kHistoryEventsMore{"and %1 more", "另有 %1 个"};
// The events by kind, in the order of EventKind.
inline constexpr Text kHistoryEventNames[] = {
    {"output on", "输出开启"},
    {"output off", "输出关闭"},
    {"voltage set", "设定电压"},
    {"current set", "设定电流"},
    {"step begun", "步骤开始"},
    {"over-current on", "过流开始"},
    {"over-current off", "过流结束"},
    {"supply not answering", "电源无应答"},
    {"supply answering", "电源恢复应答"},
    {"link lost", "连接丢失"},
    {"link back", "连接恢复"},
    {"limits set", "设定限值"},
    {"limit reached", "达到限值"},
    {"step ended", "步骤结束"},
    {"profile", "配置方案"},
};

// The export from the command line: a file it will not read as a record, an OUT it will
// not write.
inline constexpr Text kLineTooLong{"a line of more than %1 bytes: not a record",
                                   "有一行超过 %1 字节：不是记录文件"};
inline constexpr Text kExportOntoRecord{"kelvo: %1: not written: it is the record %2 itself",
                                        "kelvo: %1: 未写入：它就是记录 %2 本身"};

} // namespace kelvo::texts
