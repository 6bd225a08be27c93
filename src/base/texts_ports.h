// base/: the texts of the port choice, of the link's events as the monitor window and the
// status bar tell them, and of the monitor window itself (beyond the described window).
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace kelvo::texts {

// The link's events, as the monitor window shows them (the hidden monitor too, for a port
// the user chose).
inline constexpr Text kLinkScan{"Search: can be opened: %1; permission refused: %2",
                                "搜索：可打开：%1；无权限：%2"};
inline constexpr Text kLinkNone{"none", "无"};
inline constexpr Text kLinkOpened{"COM%1 (%2) opened", "COM%1（%2）已打开"};
inline constexpr Text kLinkReopened{"COM%1 (%2) opened again", "COM%1（%2）已重新打开"};
inline constexpr Text kLinkNoAnswer{"COM%1: link lost, no answer", "COM%1：连接断开，无应答"};
inline constexpr Text kLinkBadData{"COM%1: link lost, no valid reply",
                                   "COM%1：连接断开，无有效应答"};
inline constexpr Text kLinkReadFailed{"COM%1: a read failed", "COM%1：读取失败"};
inline constexpr Text kLinkCannotOpen{"COM%1 (%2) cannot be opened (absent or busy); trying on",
                                      "COM%1（%2）无法打开（不存在或被占用），继续尝试"};
inline constexpr Text kLinkRefused{"COM%1 (%2) refused: no permission",
                                   "COM%1（%2）被拒绝：无权限"};
inline constexpr Text kLinkPinned{"Only COM%1 (%2) is used now", "现在只使用 COM%1（%2）"};
inline constexpr Text kLinkSearch{"The supply is found automatically now", "现在自动查找电源"};
inline constexpr Text kNoDevice{"no device", "无设备"};

// The note in the status bar, once per port, when the system refuses the port.
inline constexpr Text kPermissionNote{
    "COM%1 %2: permission refused. sudo usermod -aG dialout $USER, then log in again",
    "COM%1 %2：无权限。执行 sudo usermod -aG dialout $USER，然后重新登录"};

// The command-line choice of the port (the program's stderr speaks English).
inline constexpr Text kBadPortOption{
    "kelvo: --port takes COM1 to COM16 or the full path of a device (such as /dev/ttyUSB0), "
    "not \"%1\"",
    "kelvo：--port 的值应为 COM1 至 COM16 或设备的完整路径（如 /dev/ttyUSB0），而不是“%1”"};

// The port window.
inline constexpr Text kPortTool{"Port", "端口"};
inline constexpr Text kPortTitle{"Serial port", "串口"};
inline constexpr Text kPortColumn{"Port", "端口"};
inline constexpr Text kDeviceColumn{"Device", "设备"};
inline constexpr Text kStateColumn{"State", "状态"};
inline constexpr Text kStateAbsent{"absent", "不存在"};
inline constexpr Text kStateFree{"free", "空闲"};
inline constexpr Text kStateBusy{"busy (used by another program)", "被其他程序占用"};
inline constexpr Text kStateRefused{"permission refused", "无权限"};
inline constexpr Text kStateInUse{"in use by KELVO", "KELVO 正在使用"};
inline constexpr Text kPermissionFix{
    "Add yourself to the dialout group: sudo usermod -aG dialout $USER, then log in again.",
    "把自己加入 dialout 组：sudo usermod -aG dialout $USER，然后重新登录。"};
inline constexpr Text kFindAutomatically{"Find the supply automatically", "自动查找电源"};
inline constexpr Text kUseSelectedPort{"Use only the selected port", "只使用选中的端口"};
inline constexpr Text kRefresh{"Refresh", "刷新"};
inline constexpr Text kApply{"Apply", "应用"};
inline constexpr Text kClose{"Close", "关闭"};
inline constexpr Text kPortNowSearch{"Now: found automatically", "当前：自动查找"};
inline constexpr Text kPortNowPinned{"Now: only COM%1", "当前：只使用 COM%1"};
inline constexpr Text kPortRefusedOutputOn{
    "Switch the output off first: changing the port would leave the supply on unattended.",
    "请先关闭输出：更换端口会让电源在无人控制下保持输出。"};
inline constexpr Text kRefreshTime{"Checked in %1 ms", "检查用时 %1 毫秒"};

// The monitor window.
inline constexpr Text kMonitorTool{"Monitor", "监视"};
inline constexpr Text kMonitorTitle{"Communication monitor", "通信监视"};
inline constexpr Text kPause{"Pause", "暂停"};
inline constexpr Text kResume{"Resume", "继续"};
inline constexpr Text kClear{"Clear", "清除"};
inline constexpr Text kMonitorFrame{"sent     %1", "发送     %1"};
inline constexpr Text kMonitorReply{"received %1   %2 V   %3 A%4", "接收     %1   %2 V   %3 A%4"};
inline constexpr Text kMonitorOverCurrent{"   over-current", "   过流"};
inline constexpr Text kMonitorLink{"port     %1", "端口     %1"};
inline constexpr Text kMonitorSkipped{"(%1 lines skipped while paused)", "（暂停期间略过 %1 行）"};
inline constexpr Text kMonitorPaused{"Paused: %1 lines held back", "已暂停：%1 行未显示"};

} // namespace kelvo::texts
