// base/: the texts of the command line: the help (which the manual page is made from), the
// version line and the complaints about options.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace kelvo::texts {

inline constexpr Text kCommandLineAbout{
    "Controls a programmable DC lab power supply (0-31 V in 10 mV steps, 0-5.1 A in 1 mA "
    "steps) attached through a serial port: sets the voltage and the current limit, switches "
    "the output, shows the readings as numbers and live charts, runs step programs and saves "
    "a record of every period of output. Without options it opens its window and finds the "
    "supply by itself.",
    "通过串口控制可编程直流稳压电源（0-31 V，步进 10 mV；0-5.1 A，步进 1 mA）：设定电压和"
    "限流，开关输出，以数字和实时曲线显示读数，运行步骤程序，并为每段输出保存记录。不带选项"
    "时打开窗口并自动寻找电源。"};
inline constexpr Text kOptionHelp{"Show this help and exit.", "显示本帮助并退出。"};
inline constexpr Text kOptionVersion{"Show the version and exit.", "显示版本并退出。"};
inline constexpr Text kOptionPortValue{"COMn|DEVICE", "COMn|设备"};
inline constexpr Text kOptionPort{
    "Use this port only: COM1 to COM16, or the full path of a device such as /dev/ttyUSB0 "
    "(a device that is not there yet is waited for). Without it the program tries COM1 to "
    "COM16 and uses the highest one that opens.",
    "只使用此端口：COM1 至 COM16，或设备的完整路径，如 /dev/ttyUSB0（尚不存在的设备会一直等"
    "待）。不指定时程序依次尝试 COM1 至 COM16，使用能打开的编号最大的端口。"};
inline constexpr Text kOptionRemoteValue{"[ADDR:]PORT", "[地址:]端口"};
inline constexpr Text kOptionRemote{
    "Accept remote control (SCPI commands over TCP) on PORT, on this machine only (127.0.0.1) "
    "unless an address is named ([::1]:PORT for IPv6). There is no password: whoever can "
    "connect can switch the output. A port in use is told and the program runs on without.",
    "在 PORT 端口接受远程控制（通过 TCP 的 SCPI 命令），未指定地址时只接受本机（127.0.0.1）"
    "（IPv6 用 [::1]:PORT）。没有密码：能连接的人都能开关输出。端口被占用时会提示，程序照常运行。"};
inline constexpr Text kOptionAnnounce{
    "Announce remote control with DNS-SD (through the Avahi daemon) as \"KELVO power supply on "
    "HOST\" while it listens, also on this machine only (on the loopback interface then). Remote "
    "control on any other address is announced without it. With no Avahi daemon the program "
    "says so and runs on.",
    "远程控制监听期间通过 DNS-SD（经由 Avahi 守护进程）以“KELVO power supply on 主机名”宣告，"
    "只在本机监听时也宣告（此时只在回环接口上）。在其他地址上的远程控制无需此选项也会宣告。"
    "没有 Avahi 守护进程时程序会提示并照常运行。"};
inline constexpr Text kOptionExportValue{"RECORD", "记录"};
inline constexpr Text kOptionExport{
    "Write the record file RECORD as CSV to OUT (default: RECORD with the extension .csv, "
    "or NAME.export.csv for a RECORD named NAME.csv) and exit, with no window and no display "
    "needed. Exit status 0 when done, 1 when RECORD cannot be read or is no record, 3 when "
    "OUT cannot be written or is RECORD itself.",
    "将记录文件 RECORD 导出为 CSV 写入 OUT（默认：RECORD 改扩展名为 .csv；RECORD 名为 NAME.csv "
    "时为 NAME.export.csv）后退出，不打开窗口，也不需要显示器。退出状态：0 完成，1 RECORD "
    "无法读取或不是记录，3 OUT 无法写入或就是 RECORD 本身。"};
inline constexpr Text kOptionExportEvents{
    "Write the timeline of the output period in the record file RECORD (its events file, or "
    "what the record itself tells when there is none) as CSV to OUT, or to standard output "
    "when OUT is not given or is -, and exit, with no window and no display needed. Exit "
    "status as for --export-csv.",
    "将记录文件 RECORD 中输出时段的时间线（其事件文件；没有事件文件时取记录本身所载）导出为 "
    "CSV 写入 OUT，未指定 OUT 或 OUT 为 - 时写到标准输出，然后退出，不打开窗口，也不需要显示器。"
    "退出状态同 --export-csv。"};
inline constexpr Text kOptionReport{
    "Print the report of the run in the record file RECORD (from the record and its events "
    "file: the profile, each step and why it ended, what ended the run, the charge and energy, "
    "the lowest and highest measured voltage and current, the silences) in English and exit, "
    "with no window and no display needed. Exit status as for --export-csv.",
    "以英文打印记录文件 RECORD 中运行的报告（取自记录及其事件文件：配置方案、每个步骤及其结束"
    "原因、运行结束原因、电量和能量、测得的最低和最高电压与电流、电源无应答的时段）后退出，不打开"
    "窗口，也不需要显示器。退出状态同 --export-csv。"};
inline constexpr Text kReportWithExport{
    "--report cannot be given together with --export-csv or --export-events",
    "--report 不能与 --export-csv 或 --export-events 同时使用"};
inline constexpr Text kOptionExportOut{"OUT", "输出"};
inline constexpr Text kOptionExportOutAbout{
    "With --export-csv or --export-events: the CSV file to write.",
    "与 --export-csv 或 --export-events 一起使用：要写入的 CSV 文件。"};
inline constexpr Text kExportsTogether{"--export-csv and --export-events cannot be given together",
                                       "--export-csv 和 --export-events 不能同时使用"};
// What the limit options take, in the unit their help names.
inline constexpr Text kOptionVoltsValue{"V", "V"};
inline constexpr Text kOptionAmperesValue{"A", "A"};
inline constexpr Text kOptionSecondsValue{"S", "S"};
inline constexpr Text kOptionChargeValue{"MAH", "MAH"};
inline constexpr Text kOptionEnergyValue{"MWH", "MWH"};
inline constexpr Text kCommandLineMore{
    "Ports:\n"
    "  COM1-COM4 are /dev/ttyS0-/dev/ttyS3, COM5-COM12 /dev/ttyUSB0-/dev/ttyUSB7 (USB-serial\n"
    "  adapters) and COM13-COM16 /dev/ttyACM0-/dev/ttyACM3, at 9600 baud, 8N1. The serial\n"
    "  devices belong to the group dialout: add yourself to it (sudo usermod -aG dialout\n"
    "  \"$USER\") and log in again.\n"
    "\n"
    "Environment:\n"
    "  KELVO_SERIAL_PORTS  A colon-separated list of up to 16 device paths that replaces the\n"
    "                      map above (position = COM number, empty entries allowed), e.g.\n"
    "                      KELVO_SERIAL_PORTS=/dev/serial/by-id/usb-FTDI-if00-port0 kelvo\n"
    "\n"
    "Files:\n"
    "  A portable copy keeps its step table db1.mdb beside the program. Installed, the step\n"
    "  table is ~/.local/share/kelvo/db1.mdb, copied from the sample in\n"
    "  /usr/share/kelvo on the first start and the user's from then on. Records go to\n"
    "  Record/ beside the program when that folder can be written, otherwise to\n"
    "  ~/.local/share/kelvo/Record. The limits set in the Limits window are kept in\n"
    "  ~/.local/share/kelvo/limits.conf ($XDG_DATA_HOME/kelvo when that is set), one\n"
    "  key=value line each, such as max-voltage=5; limits given on the command line take\n"
    "  the place of the file's for that run and are not written to it.\n"
    "\n"
    "Exit status:\n"
    "  0 after the window is closed or after --help or --version, 1 when the program cannot\n"
    "  start (the reason is printed), 2 for a wrong option.\n",
    "端口：\n"
    "  COM1-COM4 为 /dev/ttyS0-/dev/ttyS3，COM5-COM12 为 /dev/ttyUSB0-/dev/ttyUSB7（USB "
    "转串口），\n"
    "  COM13-COM16 为 /dev/ttyACM0-/dev/ttyACM3，9600 波特，8N1。串口设备属于 dialout 组：\n"
    "  请将自己加入该组（sudo usermod -aG dialout \"$USER\"）并重新登录。\n"
    "\n"
    "环境变量：\n"
    "  KELVO_SERIAL_PORTS  以冒号分隔的最多 16 个设备路径，取代上面的对应关系（位置即 COM\n"
    "                      编号，可留空），例如\n"
    "                      KELVO_SERIAL_PORTS=/dev/serial/by-id/usb-FTDI-if00-port0 kelvo\n"
    "\n"
    "文件：\n"
    "  便携副本的步骤表 db1.mdb 位于程序旁。安装后步骤表为 ~/.local/share/kelvo/db1.mdb，\n"
    "  首次启动时从 /usr/share/kelvo 中的示例复制，此后归用户所有。程序所在文件夹可写时记录\n"
    "  保存在程序旁的 Record/，否则保存在 ~/.local/share/kelvo/Record。在“限值”窗口中设定的\n"
    "  限值保存在 ~/.local/share/kelvo/limits.conf（设置了 $XDG_DATA_HOME 时为\n"
    "  $XDG_DATA_HOME/kelvo），每个限值一行 key=value，如 max-voltage=5；命令行给出的限值\n"
    "  在该次运行中取代文件中的限值，但不写入文件。\n"
    "\n"
    "退出状态：\n"
    "  关闭窗口后或 --help、--version 之后为 0，程序无法启动时为 1（并打印原因），选项错误时为 "
    "2。\n"};
inline constexpr Text kVersionNotice{
    "Copyright (C) 2026 the KELVO developers.\n"
    "License GPLv3+: GNU GPL version 3 or later <https://gnu.org/licenses/gpl.html>.\n"
    "This is free software: you are free to change and redistribute it.\n"
    "There is NO WARRANTY, to the extent permitted by law.\n",
    "版权所有 (C) 2026 KELVO 开发者。\n"
    "许可证 GPLv3+：GNU GPL 第 3 版或更高版本 <https://gnu.org/licenses/gpl.html>。\n"
    "本软件为自由软件：您可以自由修改和再发布。\n"
    "在法律允许的范围内不提供任何担保。\n"};
inline constexpr Text kBadOption{"kelvo: %1 (kelvo --help lists the options)",
                                 "kelvo：%1（kelvo --help 列出所有选项）"};
inline constexpr Text kUnexpectedArgument{"unexpected argument '%1'", "多余的参数“%1”"};

} // namespace kelvo::texts
