// The procedures of the core channel, each on its link.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "vxi11/device.h"

#include <algorithm>
#include <cctype>
#include <climits>

namespace kelvo::vxi11 {

namespace {

// "inst0", "INST1", any "inst<N>", or no name: the one instrument there is.
bool instrument_name(std::string_view name) {
    if (name.empty()) {
        return true;
    }
    if (name.size() < 5 || name.size() > 12) {
        return false;
    }
    for (std::size_t i = 0; i < 4; ++i) {
        if (std::tolower(static_cast<unsigned char>(name[i])) != "inst"[i]) {
            return false;
        }
    }
    return std::all_of(name.begin() + 4, name.end(),
                       [](char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; });
}

Result failed(int number) {
    Result result;
    result.error = number;
    return result;
}

} // namespace

std::optional<Result> Device::attempt(const Held& held, int connection_id, double now) {
    const Request& request = held.request;
    switch (request.procedure) {
    case kProcNull:
        return Result{};
    case kProcCreateLink:
        return open_link(held, connection_id, now);
    case kProcCreateIntrChan:
    case kProcDestroyIntrChan:
        return failed(error::kNotSupported);
    default:
        break;
    }
    Link* link = find(request.lid);
    if (link == nullptr) {
        return failed(error::kInvalidLink);
    }
    if (held.aborted) {
        return failed(error::kAbort);
    }
    return attempt_link_call(held, *link, now);
}

std::optional<Result> Device::attempt_link_call(const Held& held, Link& link, double now) {
    const Request& request = held.request;
    switch (request.procedure) {
    case kProcTrigger:
    case kProcDocmd:
        return failed(error::kNotSupported);
    case kProcEnableSrq:
        return Result{};
    case kProcLock:
        return take_lock(held, request.lid, now);
    case kProcUnlock:
        return release_lock(request.lid);
    case kProcDestroyLink:
        return close_link(request.lid);
    default:
        break;
    }
    // The rest wait for a lock another link holds, when asked to.
    switch (lock_gate(request.lid, held, now)) {
    case Gate::kWait:
        return std::nullopt;
    case Gate::kRefused:
        return failed(error::kLocked);
    case Gate::kOpen:
        break;
    }
    switch (request.procedure) {
    case kProcWrite:
        return write_to(request, link);
    case kProcRead:
        return read_from(held, link, now);
    case kProcReadStb: {
        Result result;
        result.status_byte =
            static_cast<std::uint8_t>(link.peer->status_byte(!link.output.empty()) & 0xFF);
        return result;
    }
    case kProcClear:
        link.peer->clear();
        link.message.clear();
        link.output.clear();
        end_held_calls(request.lid);
        return Result{};
    default: // remote, local
        return Result{};
    }
}

std::optional<Result> Device::open_link(const Held& held, int connection_id, double now) {
    const Request& request = held.request;
    if (!instrument_name(request.device)) {
        return failed(error::kNotAccessible);
    }
    if (links_.size() >= kMaxLinks) {
        return failed(error::kOutOfResources);
    }
    if (request.lock_device) {
        switch (lock_gate(0, held, now)) {
        case Gate::kWait:
            return std::nullopt;
        case Gate::kRefused:
            return failed(error::kLocked);
        case Gate::kOpen:
            break;
        }
    }
    do {
        next_link_ = next_link_ == INT_MAX ? 1 : next_link_ + 1;
    } while (links_.contains(next_link_));
    Link& link = links_[next_link_];
    link.connection = connection_id;
    link.peer = factory_(connection(connection_id).client + " link " + std::to_string(next_link_));
    if (request.lock_device) {
        lock_holder_ = next_link_;
    }
    Result result;
    result.lid = next_link_;
    result.abort_port = abort_port_;
    result.max_recv_size = kMaxRecvSize;
    return result;
}

Result Device::write_to(const Request& request, Link& link) {
    if (request.data.size() > kMaxMessageBytes - link.message.size()) {
        link.message.clear();
        return failed(error::kOutOfResources);
    }
    link.message += request.data;
    if ((request.flags & kFlagEnd) != 0) {
        const std::string message = std::move(link.message);
        link.message.clear();
        if (link.output.size() >= kMaxUnreadBytes) {
            return failed(error::kOutOfResources);
        }
        link.peer->write_message(message, link.output);
    }
    Result result;
    result.size = static_cast<std::uint32_t>(request.data.size());
    return result;
}

std::optional<Result> Device::read_from(const Held& held, Link& link, double now) {
    if (link.output.empty() && link.peer->busy()) {
        link.peer->resume(link.output);
    }
    if (!link.output.empty()) {
        return deliver(held.request, link);
    }
    // A read waits for the answer until its io_timeout, as an instrument's does.
    if (now >= held.since + held.request.io_timeout / 1000.0) {
        return failed(error::kIoTimeout);
    }
    return std::nullopt;
}

Result Device::deliver(const Request& request, Link& link) {
    Result result;
    std::size_t count = std::min<std::size_t>(request.request_size, link.output.size());
    if ((request.flags & kFlagTermChar) != 0) {
        const std::size_t at = link.output.find(request.term_char);
        if (at != std::string::npos && at < count) {
            count = at + 1;
            result.reason |= kReasonTermChar;
        }
    }
    if (count == request.request_size) {
        result.reason |= kReasonRequestCount;
    }
    result.data = link.output.substr(0, count);
    link.output.erase(0, count);
    if (link.output.empty() && !link.peer->busy()) {
        result.reason |= kReasonEnd;
    }
    return result;
}

std::optional<Result> Device::take_lock(const Held& held, std::int32_t lid, double now) {
    switch (lock_gate(lid, held, now)) {
    case Gate::kWait:
        return std::nullopt;
    case Gate::kRefused:
        return failed(error::kLocked);
    case Gate::kOpen:
        break;
    }
    lock_holder_ = lid;
    return Result{};
}

Result Device::release_lock(std::int32_t lid) {
    if (lock_holder_ != lid) {
        return failed(error::kNoLock);
    }
    lock_holder_ = 0;
    return Result{};
}

Result Device::close_link(std::int32_t lid) {
    if (lock_holder_ == lid) {
        lock_holder_ = 0;
    }
    links_.erase(lid);
    return Result{};
}

} // namespace kelvo::vxi11
