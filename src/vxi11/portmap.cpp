// SPDX-License-Identifier: GPL-3.0-or-later
#include "vxi11/portmap.h"

#include <rpc/rpc.h>
// After rpc.h, which it needs.
#include <rpc/pmap_prot.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <optional>

namespace kelvo::vxi11 {

namespace {

// A socket connected to the portmapper within the timeout, or -1.
int connect_within(const sockaddr_in& to, int timeout_ms) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) {
        return -1;
    }
    bool connected = ::connect(fd, reinterpret_cast<const sockaddr*>(&to), sizeof to) == 0;
    if (!connected && errno == EINPROGRESS) {
        pollfd wait{fd, POLLOUT, 0};
        int failure = 0;
        socklen_t length = sizeof failure;
        connected = ::poll(&wait, 1, timeout_ms) == 1 &&
                    ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &failure, &length) == 0 && failure == 0;
    }
    // The remote call library reads and writes it blocking, with its own timeout.
    if (!connected || ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// One call of the portmapper's `procedure` with `mapping`: its yes or no, or none when no
// portmapper answered in time.
std::optional<bool> ask(const Portmapper& where, u_long procedure, pmap mapping) {
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(where.port);
    if (::inet_pton(AF_INET, where.address.c_str(), &to.sin_addr) != 1) {
        return std::nullopt;
    }
    int fd = connect_within(to, where.timeout_ms);
    if (fd < 0) {
        return std::nullopt;
    }
    CLIENT* client = clnttcp_create(&to, PMAPPROG, PMAPVERS, &fd, 0, 0);
    if (client == nullptr) {
        ::close(fd);
        return std::nullopt;
    }
    clnt_control(client, CLSET_FD_CLOSE, nullptr);
    timeval timeout{where.timeout_ms / 1000,
                    static_cast<suseconds_t>(where.timeout_ms % 1000) * 1000};
    bool_t answer = FALSE;
    const clnt_stat status = clnt_call(
        client, procedure, reinterpret_cast<xdrproc_t>(xdr_pmap), reinterpret_cast<char*>(&mapping),
        reinterpret_cast<xdrproc_t>(xdr_bool), reinterpret_cast<char*>(&answer), timeout);
    clnt_destroy(client);
    if (status != RPC_SUCCESS) {
        return std::nullopt;
    }
    return answer != FALSE;
}

pmap mapping_of(std::uint32_t program, std::uint32_t version, std::uint16_t port) {
    pmap mapping{};
    mapping.pm_prog = program;
    mapping.pm_vers = version;
    mapping.pm_prot = IPPROTO_TCP;
    mapping.pm_port = port;
    return mapping;
}

} // namespace

bool portmap_set(const Portmapper& where, std::uint32_t program, std::uint32_t version,
                 std::uint16_t port) {
    const pmap mapping = mapping_of(program, version, port);
    const std::optional<bool> first = ask(where, PMAPPROC_SET, mapping);
    if (!first || *first) {
        return first.value_or(false);
    }
    // Refused, perhaps for an old mapping of the same program: take it back and try again.
    return ask(where, PMAPPROC_UNSET, mapping).value_or(false) &&
           ask(where, PMAPPROC_SET, mapping).value_or(false);
}

bool portmap_unset(const Portmapper& where, std::uint32_t program, std::uint32_t version) {
    return ask(where, PMAPPROC_UNSET, mapping_of(program, version, 0)).value_or(false);
}

} // namespace kelvo::vxi11
