// Calls of the LAN instrument's procedures made as a client makes them, and their replies
// taken apart, through the XDR routines the build makes from vxi11.x.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "vxi11/calls.h"

#include "vxi11_rpcgen/vxi11.h"

#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <string>

namespace kelvo::vxi11::testing {

// A call's words up to its arguments: the remote call version, the program, its version
// and the procedure, with empty credentials.
struct CallTo {
    u_int program = kCoreProgram;
    u_int procedure = kProcNull;
    u_int xid = 1;
    u_int version = kProgramVersion;
    u_int rpc_version = 2;
};

template <typename Parms>
std::string call(const CallTo& to, bool_t (*routine)(XDR*, Parms*), Parms parms) {
    std::string buffer(64 + DEVICE_MAX_DATA + 64, '\0');
    XDR xdr{};
    xdrmem_create(&xdr, buffer.data(), static_cast<u_int>(buffer.size()), XDR_ENCODE);
    for (u_int word :
         {to.xid, 0U, to.rpc_version, to.program, to.version, to.procedure, 0U, 0U, 0U, 0U}) {
        xdr_u_int(&xdr, &word);
    }
    if (routine != nullptr) {
        routine(&xdr, &parms);
    }
    buffer.resize(xdr_getpos(&xdr));
    xdr_destroy(&xdr);
    return buffer;
}

inline std::string call_without_arguments(const CallTo& to) {
    return call<int>(to, nullptr, 0);
}

inline std::string link_call(u_int procedure, std::int32_t lid, u_int xid = 1,
                             u_int program = kCoreProgram) {
    return call({program, procedure, xid}, xdr_Device_Link, Device_Link{lid});
}

inline std::string open_call(const char* device, bool lock = false, u_int lock_timeout = 0,
                             u_int xid = 1) {
    return call({kCoreProgram, kProcCreateLink, xid}, xdr_Create_LinkParms,
                Create_LinkParms{7, lock ? 1 : 0, lock_timeout, const_cast<char*>(device)});
}

inline std::string write_call(std::int32_t lid, const std::string& data,
                              std::int32_t flags = kFlagEnd, u_int lock_timeout = 0,
                              u_int xid = 1) {
    Device_WriteParms parms{lid, 1000, lock_timeout, flags, {}};
    parms.data.data_len = static_cast<u_int>(data.size());
    parms.data.data_val = const_cast<char*>(data.data());
    return call({kCoreProgram, kProcWrite, xid}, xdr_Device_WriteParms, parms);
}

inline std::string read_call(std::int32_t lid, u_int size, u_int io_timeout, std::int32_t flags = 0,
                             char term = 0, u_int lock_timeout = 0, u_int xid = 1) {
    return call({kCoreProgram, kProcRead, xid}, xdr_Device_ReadParms,
                Device_ReadParms{lid, size, io_timeout, lock_timeout, flags, term});
}

inline std::string generic_call(u_int procedure, std::int32_t lid, std::int32_t flags = 0,
                                u_int lock_timeout = 0, u_int xid = 1) {
    return call({kCoreProgram, procedure, xid}, xdr_Device_GenericParms,
                Device_GenericParms{lid, flags, lock_timeout, 1000});
}

inline std::string lock_call(std::int32_t lid, std::int32_t flags = 0, u_int lock_timeout = 0,
                             u_int xid = 1) {
    return call({kCoreProgram, kProcLock, xid}, xdr_Device_LockParms,
                Device_LockParms{lid, flags, lock_timeout});
}

// A reply's words before its results.
struct ReplyHead {
    u_int xid = 0;
    u_int type = 0;
    u_int stat = 0;   // accepted 0, denied 1
    u_int detail = 0; // how accepted, or why denied
    u_int low = 0;    // the versions a mismatch names
    u_int high = 0;
};

// Reads the head and then the results with `routine`, when given.
template <typename Results>
ReplyHead take_reply(const std::string& reply, bool_t (*routine)(XDR*, Results*),
                     Results* results) {
    ReplyHead head;
    XDR xdr{};
    xdrmem_create(&xdr, const_cast<char*>(reply.data()), static_cast<u_int>(reply.size()),
                  XDR_DECODE);
    u_int ignored = 0;
    xdr_u_int(&xdr, &head.xid);
    xdr_u_int(&xdr, &head.type);
    xdr_u_int(&xdr, &head.stat);
    if (head.stat == 0) {
        xdr_u_int(&xdr, &ignored);
        xdr_u_int(&xdr, &ignored);
    }
    xdr_u_int(&xdr, &head.detail);
    const bool mismatch = (head.stat == 0 && head.detail == 2) || head.stat == 1;
    if (mismatch) {
        xdr_u_int(&xdr, &head.low);
        xdr_u_int(&xdr, &head.high);
    }
    if (routine != nullptr && head.stat == 0 && head.detail == 0) {
        routine(&xdr, results);
    }
    xdr_destroy(&xdr);
    return head;
}

inline ReplyHead head_of(const std::string& reply) {
    return take_reply<int>(reply, nullptr, nullptr);
}

inline int error_of(const std::string& reply) {
    Device_Error results{-1};
    take_reply(reply, xdr_Device_Error, &results);
    return results.error;
}

inline Create_LinkResp link_of(const std::string& reply) {
    Create_LinkResp results{-1, 0, 0, 0};
    take_reply(reply, xdr_Create_LinkResp, &results);
    return results;
}

inline Device_WriteResp written_of(const std::string& reply) {
    Device_WriteResp results{-1, 0};
    take_reply(reply, xdr_Device_WriteResp, &results);
    return results;
}

struct ReadOut {
    int error = -1;
    int reason = 0;
    std::string data;
};

inline ReadOut read_of(const std::string& reply) {
    Device_ReadResp results;
    std::memset(&results, 0, sizeof results);
    results.error = -1;
    take_reply(reply, xdr_Device_ReadResp, &results);
    ReadOut out{results.error, results.reason,
                std::string(results.data.data_val == nullptr ? "" : results.data.data_val,
                            results.data.data_len)};
    xdr_free(reinterpret_cast<xdrproc_t>(xdr_Device_ReadResp), reinterpret_cast<char*>(&results));
    return out;
}

inline Device_ReadStbResp status_of(const std::string& reply) {
    Device_ReadStbResp results{-1, 0};
    take_reply(reply, xdr_Device_ReadStbResp, &results);
    return results;
}

} // namespace kelvo::vxi11::testing
