// vxi11/: the numbers of the LAN instrument's remote procedures, and one call and its result
// as the device sees them, whatever the procedure.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>

namespace kelvo::vxi11 {

inline constexpr std::uint32_t kCoreProgram = 0x0607AF;
inline constexpr std::uint32_t kAbortProgram = 0x0607B0;
inline constexpr std::uint32_t kInterruptProgram = 0x0607B1;
inline constexpr std::uint32_t kProgramVersion = 1;

// The procedures; 0 is the empty one every program answers.
enum Procedure : std::uint32_t {
    kProcNull = 0,
    kProcAbort = 1, // on the abort channel
    kProcCreateLink = 10,
    kProcWrite = 11,
    kProcRead = 12,
    kProcReadStb = 13,
    kProcTrigger = 14,
    kProcClear = 15,
    kProcRemote = 16,
    kProcLocal = 17,
    kProcLock = 18,
    kProcUnlock = 19,
    kProcEnableSrq = 20,
    kProcDocmd = 22,
    kProcDestroyLink = 23,
    kProcCreateIntrChan = 25,
    kProcDestroyIntrChan = 26,
};

// The error numbers a reply carries.
namespace error {
inline constexpr int kNone = 0;
inline constexpr int kNotAccessible = 3; // no such device
inline constexpr int kInvalidLink = 4;
inline constexpr int kNotSupported = 8;
inline constexpr int kOutOfResources = 9;
inline constexpr int kLocked = 11; // by another link
inline constexpr int kNoLock = 12; // held by this link
inline constexpr int kIoTimeout = 15;
inline constexpr int kAbort = 23;
} // namespace error

// The flags of a call.
inline constexpr std::int32_t kFlagWaitLock = 0x01;
inline constexpr std::int32_t kFlagEnd = 0x08;
inline constexpr std::int32_t kFlagTermChar = 0x80;

// Why a read ended.
inline constexpr std::int32_t kReasonRequestCount = 1;
inline constexpr std::int32_t kReasonTermChar = 2;
inline constexpr std::int32_t kReasonEnd = 4;

// The arguments of any call; a procedure uses the fields it has.
struct Request {
    std::uint32_t xid = 0;
    std::uint32_t procedure = kProcNull;
    std::int32_t lid = 0;
    std::int32_t flags = 0;
    std::uint32_t io_timeout = 0;   // ms
    std::uint32_t lock_timeout = 0; // ms
    std::uint32_t request_size = 0; // a read's bytes at most
    char term_char = 0;
    bool lock_device = false; // create_link
    std::string device;       // create_link
    std::string data;         // a write's bytes
};

// The results of any call; a procedure sends the fields it has.
struct Result {
    std::int32_t error = error::kNone;
    std::int32_t lid = 0;            // create_link
    std::uint16_t abort_port = 0;    // create_link
    std::uint32_t max_recv_size = 0; // create_link
    std::uint32_t size = 0;          // write: the bytes taken
    std::int32_t reason = 0;         // read
    std::uint8_t status_byte = 0;    // readstb
    std::string data;                // read
};

} // namespace kelvo::vxi11
