// SPDX-License-Identifier: GPL-3.0-or-later
#include "vxi11/rpc_message.h"

#include "vxi11/xdr_codec.h"

#include <array>

namespace kelvo::vxi11 {

namespace {

constexpr u_int kRpcVersion = 2;
constexpr u_int kCall = 0;
constexpr u_int kReply = 1;
constexpr u_int kAccepted = 0;
constexpr u_int kDenied = 1;
constexpr u_int kAuthNone = 0;
// How a call was accepted, or why it was denied.
constexpr u_int kSuccess = 0;
constexpr u_int kProgUnavailable = 1;
constexpr u_int kProgMismatch = 2;
constexpr u_int kProcUnavailable = 3;
constexpr u_int kGarbageArgs = 4;
constexpr u_int kRpcMismatch = 0;
// The most a credential or verifier may hold.
constexpr u_int kMaxAuthBytes = 400;
// A reply's words before its results, with room for a mismatch's two versions.
constexpr std::size_t kReplyHeadBytes = 64;

// Writes replies into a buffer sized for them.
class ReplyWriter {
public:
    explicit ReplyWriter(std::size_t room) : buffer_(room, '\0') {
        xdrmem_create(&xdr_, buffer_.data(), static_cast<u_int>(buffer_.size()), XDR_ENCODE);
    }
    ~ReplyWriter() { xdr_destroy(&xdr_); }
    ReplyWriter(const ReplyWriter&) = delete;
    ReplyWriter& operator=(const ReplyWriter&) = delete;

    XDR* xdr() { return &xdr_; }
    bool words(std::initializer_list<u_int> values) {
        for (u_int value : values) {
            if (xdr_u_int(&xdr_, &value) == 0) {
                return false;
            }
        }
        return true;
    }
    std::string done() {
        buffer_.resize(xdr_getpos(&xdr_));
        return std::move(buffer_);
    }

private:
    std::string buffer_;
    XDR xdr_{};
};

// An accepted reply's opening, up to the state of acceptance.
std::string accepted(u_int xid, u_int state, std::initializer_list<u_int> more = {}) {
    ReplyWriter writer(kReplyHeadBytes);
    writer.words({xid, kReply, kAccepted, kAuthNone, 0, state});
    writer.words(more);
    return writer.done();
}

std::string rpc_mismatch(u_int xid) {
    ReplyWriter writer(kReplyHeadBytes);
    writer.words({xid, kReply, kDenied, kRpcMismatch, kRpcVersion, kRpcVersion});
    return writer.done();
}

// Passes over a credential or a verifier, whatever its flavour.
bool skip_auth(XDR* xdr) {
    u_int flavour = 0;
    u_int length = 0;
    std::array<char, kMaxAuthBytes> body{};
    return xdr_u_int(xdr, &flavour) != 0 && xdr_u_int(xdr, &length) != 0 &&
           length <= kMaxAuthBytes && xdr_opaque(xdr, body.data(), length) != 0;
}

struct CallHead {
    u_int xid = 0;
    u_int type = 0;
    u_int rpc_version = 0;
    u_int program = 0;
    u_int version = 0;
    u_int procedure = 0;
};

// The words of a call before its arguments; 0 when too few, 1 with only the id, type and
// remote call version read, 2 when all of it is there.
int read_head(XDR* xdr, CallHead& head) {
    if (xdr_u_int(xdr, &head.xid) == 0 || xdr_u_int(xdr, &head.type) == 0 ||
        xdr_u_int(xdr, &head.rpc_version) == 0) {
        return 0;
    }
    if (head.type != kCall || head.rpc_version != kRpcVersion) {
        return 1;
    }
    const bool whole = xdr_u_int(xdr, &head.program) != 0 && xdr_u_int(xdr, &head.version) != 0 &&
                       xdr_u_int(xdr, &head.procedure) != 0 && skip_auth(xdr) && skip_auth(xdr);
    return whole ? 2 : 0;
}

Incoming refused(std::string reply) {
    Incoming incoming;
    incoming.kind = Incoming::Kind::kRefused;
    incoming.refusal = std::move(reply);
    return incoming;
}

Incoming judge(XDR* xdr, const CallHead& head, std::uint32_t program) {
    if (head.program != program) {
        return refused(accepted(head.xid, kProgUnavailable));
    }
    if (head.version != kProgramVersion) {
        return refused(accepted(head.xid, kProgMismatch, {kProgramVersion, kProgramVersion}));
    }
    if (!known_procedure(program, head.procedure)) {
        return refused(accepted(head.xid, kProcUnavailable));
    }
    Incoming incoming;
    incoming.request.xid = head.xid;
    incoming.request.procedure = head.procedure;
    if (!decode_arguments(xdr, incoming.request)) {
        return refused(accepted(head.xid, kGarbageArgs));
    }
    incoming.kind = Incoming::Kind::kCall;
    return incoming;
}

} // namespace

Incoming take_call(std::string_view record, std::uint32_t program) {
    XDR xdr{};
    // Decoding only reads the buffer.
    xdrmem_create(&xdr, const_cast<char*>(record.data()), static_cast<u_int>(record.size()),
                  XDR_DECODE);
    CallHead head;
    Incoming incoming;
    switch (read_head(&xdr, head)) {
    case 2:
        incoming = judge(&xdr, head, program);
        break;
    case 1:
        if (head.type == kCall) {
            incoming = refused(rpc_mismatch(head.xid));
        }
        break;
    default:
        break;
    }
    xdr_destroy(&xdr);
    return incoming;
}

std::string success_reply(const Request& request, const Result& result) {
    ReplyWriter writer(kReplyHeadBytes + result.data.size());
    if (!writer.words({request.xid, kReply, kAccepted, kAuthNone, 0, kSuccess}) ||
        !encode_results(writer.xdr(), request.procedure, result)) {
        return {};
    }
    return writer.done();
}

} // namespace kelvo::vxi11
