// base/: the texts of remote control over a SCPI socket: what the program says of itself on
// the wire, the standard error texts, the tool strip button and the monitor's lines. The
// wire speaks SCPI's English whatever the window's language: both forms hold that text.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace kelvo::texts {

// *IDN?: maker, model, serial number (the supply's port, or "0" with none), program version.
inline constexpr Text kRemoteIdentity{"%1,KELVO desktop,%2,%3", "%1,KELVO desktop,%2,%3"};
inline constexpr Text kNoSerialNumber{"0", "0"};
inline constexpr Text kProgramVersion{"1.0", "1.0"};
// The SCPI version the commands follow.
inline constexpr Text kScpiVersion{"1999.0", "1999.0"};

// The standard error texts, by number; a detail follows after ";".
inline constexpr Text kScpiNoError{"No error", "No error"};
inline constexpr Text kScpiSyntax{"Syntax error", "Syntax error"};
inline constexpr Text kScpiParameterNotAllowed{"Parameter not allowed", "Parameter not allowed"};
inline constexpr Text kScpiMissingParameter{"Missing parameter", "Missing parameter"};
inline constexpr Text kScpiUndefinedHeader{"Undefined header", "Undefined header"};
inline constexpr Text kScpiInvalidSuffix{"Invalid suffix", "Invalid suffix"};
inline constexpr Text kScpiSettingsConflict{"Settings conflict", "Settings conflict"};
inline constexpr Text kScpiOutOfRange{"Data out of range", "Data out of range"};
inline constexpr Text kScpiTooMuchData{"Too much data", "Too much data"};
inline constexpr Text kScpiIllegalValue{"Illegal parameter value", "Illegal parameter value"};
inline constexpr Text kScpiQueueOverflow{"Queue overflow", "Queue overflow"};
// The details of a settings conflict.
inline constexpr Text kScpiProgramRunning{"a step program is running", "a step program is running"};
inline constexpr Text kScpiStringExpected{"a string in quotes was expected",
                                          "a string in quotes was expected"};
inline constexpr Text kScpiStepsNotWritten{"the steps were not written (see the window)",
                                           "the steps were not written (see the window)"};
inline constexpr Text kScpiNoSupply{"the supply does not answer", "the supply does not answer"};
inline constexpr Text kScpiRunRefused{"the step table was refused, see the window",
                                      "the step table was refused, see the window"};
// The one line a client gets for a line that is too long, and the ninth client.
inline constexpr Text kScpiLineTooLong{"ERROR: line longer than %1 bytes, ignored",
                                       "ERROR: line longer than %1 bytes, ignored"};
inline constexpr Text kScpiTooManyClients{"ERROR: %1 clients are connected already, closing",
                                          "ERROR: %1 clients are connected already, closing"};

// The tool strip button and its state.
inline constexpr Text kRemoteOff{"remote: off", "远程：关"};
inline constexpr Text kRemoteClients{"remote: %1 clients", "远程：%1 个客户端"};
inline constexpr Text kRemoteTip{"SCPI remote control on %1 (click to switch on or off)",
                                 "SCPI 远程控制，地址 %1（单击开关）"};
inline constexpr Text kRemoteCannotListen{"Remote control cannot listen on %1: %2",
                                          "远程控制无法在 %1 上监听：%2"};
inline constexpr Text kRemoteBadAddress{"\"%1\" is not an IP address", "“%1”不是 IP 地址"};
inline constexpr Text kRemoteTitle{"Remote control", "远程控制"};
// On standard error for --remote.
inline constexpr Text kRemoteListening{"Remote control (SCPI) listening on %1",
                                       "Remote control (SCPI) listening on %1"};
inline constexpr Text kRemoteOpenNetwork{
    "WARNING: remote control listens on %1, not on this machine only: anyone who can reach it "
    "on that network can switch the output",
    "WARNING: remote control listens on %1, not on this machine only: anyone who can reach it "
    "on that network can switch the output"};
// The LAN instrument beside the socket, on standard error for --remote and in the button's
// tip: mapped with the portmapper, or not found by clients for want of one, or not there.
inline constexpr Text kInstrumentListening{
    "VXI-11 instrument TCPIP0::%1::INSTR (core channel on port %2)",
    "VXI-11 仪器 TCPIP0::%1::INSTR（核心通道端口 %2）"};
inline constexpr Text kInstrumentNoPortmapper{
    "VXI-11: no portmapper (rpcbind) runs on this machine; remote control serves the raw socket "
    "only",
    "VXI-11：本机没有运行端口映射器（rpcbind）；远程控制只提供原始套接字"};
inline constexpr Text kInstrumentCannotListen{"VXI-11 cannot listen on %1: %2",
                                              "VXI-11 无法在 %1 上监听：%2"};
inline constexpr Text kBadRemoteOption{"--remote: expected [ADDRESS:]PORT (1-65535), not \"%1\"",
                                       "--remote: expected [ADDRESS:]PORT (1-65535), not \"%1\""};

// DNS-SD (through the Avahi daemon): the instrument's name on the network, the model in its
// TXT records (as *IDN? gives it), and the lines on standard error.
inline constexpr Text kAnnounceName{"KELVO power supply on %1", "KELVO power supply on %1"};
inline constexpr Text kAnnounceModel{"KELVO desktop", "KELVO desktop"};
inline constexpr Text kAnnouncing{"DNS-SD: announcing \"%1\" on %2: %3",
                                  "DNS-SD: announcing \"%1\" on %2: %3"};
inline constexpr Text kAnnounceLoopback{"the loopback interface %1 only",
                                        "the loopback interface %1 only"};
inline constexpr Text kAnnounceEverywhere{"every interface", "every interface"};
inline constexpr Text kAnnounceNoDaemon{
    "DNS-SD: no Avahi daemon runs; the instrument is not announced",
    "DNS-SD: no Avahi daemon runs; the instrument is not announced"};
inline constexpr Text kAnnounceWaiting{
    "DNS-SD: no Avahi daemon runs; the instrument is announced once one starts",
    "DNS-SD: no Avahi daemon runs; the instrument is announced once one starts"};
inline constexpr Text kAnnounceGone{
    "DNS-SD: the Avahi daemon has gone; the instrument is announced again when it is back",
    "DNS-SD: the Avahi daemon has gone; the instrument is announced again when it is back"};
inline constexpr Text kAnnounceBack{"DNS-SD: the Avahi daemon is back; announcing \"%1\" again",
                                    "DNS-SD: the Avahi daemon is back; announcing \"%1\" again"};
inline constexpr Text kAnnounceRenamed{
    "DNS-SD: the name \"%1\" is taken on the network; announcing \"%2\" instead",
    "DNS-SD: the name \"%1\" is taken on the network; announcing \"%2\" instead"};
inline constexpr Text kAnnounceWithdrawn{"DNS-SD: \"%1\" withdrawn", "DNS-SD: \"%1\" withdrawn"};
inline constexpr Text kAnnounceFailed{"DNS-SD: the instrument cannot be announced: %1",
                                      "DNS-SD: the instrument cannot be announced: %1"};

// The monitor window: a client came or went, a command that changed something.
inline constexpr Text kMonitorRemote{"remote   %1", "远程     %1"};
inline constexpr Text kRemoteConnected{"%1 connected (%2 clients)", "%1 已连接（%2 个客户端）"};
inline constexpr Text kRemoteDisconnected{"%1 disconnected (%2 clients)",
                                          "%1 已断开（%2 个客户端）"};
inline constexpr Text kRemoteCommand{"%1: %2", "%1：%2"};

} // namespace kelvo::texts
