// qt/remote/: Avahi's main-loop hooks on the window's event loop. Each descriptor the Avahi
// client watches is a pair of QSocketNotifiers, each wake-up it asks for a single-shot
// QTimer, so every callback of the client comes on the window's thread between its other
// events and nothing needs a lock.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <avahi-common/watch.h>

#include <QObject>

#include <cstddef>
#include <unordered_set>

namespace kelvo::qt {

// Lives longer than every client made on it: the client frees its watches and timeouts
// when it is freed, and whatever is left goes with the poll.
class AvahiQtPoll final : public QObject {
public:
    explicit AvahiQtPoll(QObject* parent = nullptr);
    ~AvahiQtPoll() override;
    AvahiQtPoll(const AvahiQtPoll&) = delete;
    AvahiQtPoll& operator=(const AvahiQtPoll&) = delete;

    // What avahi_client_new() takes.
    const AvahiPoll* api() const { return &api_; }
    // The watches and timeouts made and not yet freed.
    std::size_t watch_count() const { return watches_.size(); }
    std::size_t timeout_count() const { return timeouts_.size(); }

private:
    friend struct AvahiQtPollHooks;

    AvahiPoll api_{};
    std::unordered_set<AvahiWatch*> watches_;
    std::unordered_set<AvahiTimeout*> timeouts_;
};

} // namespace kelvo::qt
