// SPDX-License-Identifier: GPL-3.0-or-later
#include "vxi11/device.h"

#include "vxi11/rpc_message.h"

#include <algorithm>

namespace kelvo::vxi11 {

void Device::connection_opened(int connection_id, std::string client) {
    connection(connection_id).client = std::move(client);
}

Device::Connection& Device::connection(int id) {
    const auto [at, added] = connections_.try_emplace(id);
    if (added) {
        at->second.client = "connection " + std::to_string(id);
    }
    return at->second;
}

std::optional<std::string> Device::core_record(int connection_id, std::string_view record,
                                               double now) {
    Connection& from = connection(connection_id);
    if (from.overloaded) {
        return std::nullopt;
    }
    Incoming incoming = take_call(record, kCoreProgram);
    if (incoming.kind == Incoming::Kind::kIgnored) {
        return std::nullopt;
    }
    Held held;
    held.since = now;
    if (incoming.kind == Incoming::Kind::kRefused) {
        held.ready = std::move(incoming.refusal);
    } else {
        held.request = std::move(incoming.request);
    }
    if (!from.queue.empty()) {
        if (from.queue.size() > kMaxQueuedCalls) { // the waiting call and those behind it
            from.overloaded = true;
            from.queue.clear();
        } else {
            from.queue.push_back(std::move(held));
        }
        return std::nullopt;
    }
    std::optional<std::string> reply = finish(held, connection_id, now);
    if (!reply) {
        from.queue.push_back(std::move(held));
    }
    return reply;
}

std::optional<std::string> Device::abort_record(std::string_view record) {
    Incoming incoming = take_call(record, kAbortProgram);
    if (incoming.kind == Incoming::Kind::kIgnored) {
        return std::nullopt;
    }
    if (incoming.kind == Incoming::Kind::kRefused) {
        return std::move(incoming.refusal);
    }
    Result result;
    if (incoming.request.procedure == kProcAbort) {
        if (find(incoming.request.lid) == nullptr) {
            result.error = error::kInvalidLink;
        } else {
            end_held_calls(incoming.request.lid);
        }
    }
    return success_reply(incoming.request, result);
}

void Device::end_held_calls(std::int32_t lid) {
    for (auto& [id, connection] : connections_) {
        for (Held& held : connection.queue) {
            if (!held.ready && held.request.lid == lid) {
                held.aborted = true;
            }
        }
    }
}

std::vector<Reply> Device::poll(double now) {
    for (auto& [lid, link] : links_) {
        if (link.peer->busy()) {
            link.peer->resume(link.output);
        }
    }
    std::vector<Reply> replies;
    for (auto& [id, connection] : connections_) {
        run_queue(id, connection, now, replies);
    }
    return replies;
}

void Device::run_queue(int id, Connection& connection, double now, std::vector<Reply>& replies) {
    while (!connection.queue.empty()) {
        std::optional<std::string> reply = finish(connection.queue.front(), id, now);
        if (!reply) {
            return;
        }
        connection.queue.pop_front();
        replies.push_back({id, std::move(*reply)});
    }
}

std::optional<std::string> Device::finish(const Held& held, int connection_id, double now) {
    if (held.ready) {
        return held.ready;
    }
    const std::optional<Result> result = attempt(held, connection_id, now);
    if (!result) {
        return std::nullopt;
    }
    return success_reply(held.request, *result);
}

void Device::connection_closed(int connection_id) {
    connections_.erase(connection_id);
    for (auto at = links_.begin(); at != links_.end();) {
        if (at->second.connection != connection_id) {
            ++at;
            continue;
        }
        if (lock_holder_ == at->first) {
            lock_holder_ = 0;
        }
        at = links_.erase(at);
    }
}

bool Device::overloaded(int connection_id) const {
    const auto found = connections_.find(connection_id);
    return found != connections_.end() && found->second.overloaded;
}

bool Device::waiting() const {
    return std::any_of(connections_.begin(), connections_.end(),
                       [](const auto& c) { return !c.second.queue.empty(); }) ||
           std::any_of(links_.begin(), links_.end(),
                       [](const auto& l) { return l.second.peer->busy(); });
}

Device::Link* Device::find(std::int32_t lid) {
    const auto found = links_.find(lid);
    return found == links_.end() ? nullptr : &found->second;
}

Device::Gate Device::lock_gate(std::int32_t lid, const Held& held, double now) const {
    if (lock_holder_ == 0 || lock_holder_ == lid) {
        return Gate::kOpen;
    }
    const double until = held.since + held.request.lock_timeout / 1000.0;
    if ((held.request.flags & kFlagWaitLock) != 0 && now < until) {
        return Gate::kWait;
    }
    return Gate::kRefused;
}

} // namespace kelvo::vxi11
