// SPDX-License-Identifier: GPL-3.0-or-later
#include "vxi11/xdr_codec.h"

#include "vxi11_rpcgen/vxi11.h"

#include <cstring>

namespace kelvo::vxi11 {

// The numbers of calls.h are the ones of vxi11.x.
static_assert(kCoreProgram == DEVICE_CORE && kAbortProgram == DEVICE_ASYNC);
static_assert(kInterruptProgram == DEVICE_INTR && kProgramVersion == DEVICE_CORE_VERSION);
static_assert(kProcAbort == device_abort && kProcCreateLink == create_link);
static_assert(kProcWrite == device_write && kProcRead == device_read);
static_assert(kProcReadStb == device_readstb && kProcTrigger == device_trigger);
static_assert(kProcClear == device_clear && kProcRemote == device_remote);
static_assert(kProcLocal == device_local && kProcLock == device_lock);
static_assert(kProcUnlock == device_unlock && kProcEnableSrq == device_enable_srq);
static_assert(kProcDocmd == device_docmd && kProcDestroyLink == destroy_link);
static_assert(kProcCreateIntrChan == create_intr_chan);
static_assert(kProcDestroyIntrChan == destroy_intr_chan);

namespace {

// Decodes one argument structure with its routine, hands it to `copy` when it decoded, and
// frees what the routine allocated either way (a failed decode may leave half of it).
template <typename Parms, typename Copy>
bool take(XDR* xdr, bool_t (*routine)(XDR*, Parms*), Copy copy) {
    Parms parms;
    std::memset(&parms, 0, sizeof parms);
    const bool decoded = routine(xdr, &parms) != 0;
    if (decoded) {
        copy(parms);
    }
    xdr_free(reinterpret_cast<xdrproc_t>(routine), reinterpret_cast<char*>(&parms));
    return decoded;
}

bool take_generic(XDR* xdr, Request& request) {
    return take(xdr, xdr_Device_GenericParms, [&](const Device_GenericParms& p) {
        request.lid = p.lid;
        request.flags = p.flags;
        request.lock_timeout = p.lock_timeout;
        request.io_timeout = p.io_timeout;
    });
}

bool take_link_only(XDR* xdr, Request& request) {
    return take(xdr, xdr_Device_Link, [&](const Device_Link& lid) { request.lid = lid; });
}

bool take_create(XDR* xdr, Request& request) {
    return take(xdr, xdr_Create_LinkParms, [&](const Create_LinkParms& p) {
        request.lock_device = p.lockDevice != 0;
        request.lock_timeout = p.lock_timeout;
        request.device = p.device != nullptr ? p.device : "";
    });
}

bool take_write(XDR* xdr, Request& request) {
    return take(xdr, xdr_Device_WriteParms, [&](const Device_WriteParms& p) {
        request.lid = p.lid;
        request.io_timeout = p.io_timeout;
        request.lock_timeout = p.lock_timeout;
        request.flags = p.flags;
        request.data.assign(p.data.data_val, p.data.data_len);
    });
}

bool take_read(XDR* xdr, Request& request) {
    return take(xdr, xdr_Device_ReadParms, [&](const Device_ReadParms& p) {
        request.lid = p.lid;
        request.request_size = p.requestSize;
        request.io_timeout = p.io_timeout;
        request.lock_timeout = p.lock_timeout;
        request.flags = p.flags;
        request.term_char = p.termChar;
    });
}

bool take_lock(XDR* xdr, Request& request) {
    return take(xdr, xdr_Device_LockParms, [&](const Device_LockParms& p) {
        request.lid = p.lid;
        request.flags = p.flags;
        request.lock_timeout = p.lock_timeout;
    });
}

// The calls this program answers without looking further than the link.
bool take_other(XDR* xdr, Request& request) {
    switch (request.procedure) {
    case kProcEnableSrq:
        return take(xdr, xdr_Device_EnableSrqParms,
                    [&](const Device_EnableSrqParms& p) { request.lid = p.lid; });
    case kProcDocmd:
        return take(xdr, xdr_Device_DocmdParms,
                    [&](const Device_DocmdParms& p) { request.lid = p.lid; });
    case kProcCreateIntrChan:
        return take(xdr, xdr_Device_RemoteFunc, [](const Device_RemoteFunc&) {});
    default:
        return true; // no arguments
    }
}

template <typename Results> bool put(XDR* xdr, bool_t (*routine)(XDR*, Results*), Results r) {
    return routine(xdr, &r) != 0;
}

} // namespace

bool known_procedure(std::uint32_t program, std::uint32_t procedure) {
    if (procedure == kProcNull) {
        return true;
    }
    if (program == kAbortProgram) {
        return procedure == kProcAbort;
    }
    return (procedure >= kProcCreateLink && procedure <= kProcEnableSrq) ||
           procedure == kProcDocmd || procedure == kProcDestroyLink ||
           procedure == kProcCreateIntrChan || procedure == kProcDestroyIntrChan;
}

bool decode_arguments(XDR* xdr, Request& request) {
    switch (request.procedure) {
    case kProcCreateLink:
        return take_create(xdr, request);
    case kProcWrite:
        return take_write(xdr, request);
    case kProcRead:
        return take_read(xdr, request);
    case kProcReadStb:
    case kProcTrigger:
    case kProcClear:
    case kProcRemote:
    case kProcLocal:
        return take_generic(xdr, request);
    case kProcLock:
        return take_lock(xdr, request);
    case kProcAbort:
    case kProcUnlock:
    case kProcDestroyLink:
        return take_link_only(xdr, request);
    default:
        return take_other(xdr, request);
    }
}

bool encode_results(XDR* xdr, std::uint32_t procedure, const Result& result) {
    // The routines take the buffers as writable; encoding only reads them.
    char* data = const_cast<char*>(result.data.data());
    const auto length = static_cast<u_int>(result.data.size());
    switch (procedure) {
    case kProcNull:
        return true;
    case kProcCreateLink:
        return put(
            xdr, xdr_Create_LinkResp,
            Create_LinkResp{result.error, result.lid, result.abort_port, result.max_recv_size});
    case kProcWrite:
        return put(xdr, xdr_Device_WriteResp, Device_WriteResp{result.error, result.size});
    case kProcRead:
        return put(xdr, xdr_Device_ReadResp,
                   Device_ReadResp{result.error, result.reason, {length, data}});
    case kProcReadStb:
        return put(xdr, xdr_Device_ReadStbResp,
                   Device_ReadStbResp{result.error, result.status_byte});
    case kProcDocmd:
        return put(xdr, xdr_Device_DocmdResp, Device_DocmdResp{result.error, {length, data}});
    default:
        return put(xdr, xdr_Device_Error, Device_Error{result.error});
    }
}

} // namespace kelvo::vxi11
