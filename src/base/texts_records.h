// base/: the lines of the records and of the communication monitor, and what is told when
// a record cannot be kept.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace kelvo::texts {

// A record file begins with the program's name and version, in English in either mode.
inline constexpr Text kRecordVersion{"Version: 1.0", "Version: 1.0"};
inline constexpr Text kSavePath{"Save Path:", "保存路径:"};
inline constexpr Text kRecordNotSaved{"Record NOT saved: ", "记录未保存: "};
inline constexpr Text kRecordErrorPrompt{"The record file could not be saved. %1",
                                         "The record file could not be saved. %1"};
inline constexpr Text kRecordErrorTitle{"Record file error", "Record file error"};
inline constexpr Text kAllNamesTaken{"every name of this second is taken",
                                     "every name of this second is taken"};
// A reason with the folder or file it concerns, and several reasons in one line.
inline constexpr Text kReasonAt{"%1: %2", "%1: %2"};
inline constexpr Text kReasonsJoin{"; ", "; "};

// Last lines of a record made at start-up from the journal of a period that never ended;
// its save line is the English one.
inline constexpr Text kRecoveredNote{
    "The program ended while the output was on; readings after the line above were lost.",
    "The program ended while the output was on; readings after the line above were lost."};
inline constexpr Text kRecoveredLog{"Recovered an unfinished record: %1",
                                    "Recovered an unfinished record: %1"};
inline constexpr Text kJournalError{
    "The record of this period cannot be kept on disk while it runs; it will be saved when "
    "the output goes off if a folder can be written then. %1",
    "The record of this period cannot be kept on disk while it runs; it will be saved when "
    "the output goes off if a folder can be written then. %1"};

// The communication monitor: the ports found and what the link hears.
inline constexpr Text kPortName{"COM%1", "COM%1"};
inline constexpr Text kPortAvailable{"COM：   %1可用", "COM：   %1可用"};
inline constexpr Text kPortDenied{
    "COM%1: permission denied (access is usually granted by the group dialout)",
    "COM%1: permission denied (access is usually granted by the group dialout)"};
inline constexpr Text kPortsFound{"您计算机上总共有：   %1个COM端口可用",
                                  "您计算机上总共有：   %1个COM端口可用"};
inline constexpr Text kPortOpened{"COM：   %1已打开", "COM：   %1已打开"};
inline constexpr Text kPortNoAnswer{"%1无应答", "%1无应答"};
inline constexpr Text kPortTimedOut{"%1超时", "%1超时"};
inline constexpr Text kNoData{"数据为空", "数据为空"};
inline constexpr Text kDataError{"data error", "data error"};

} // namespace kelvo::texts
