// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt/remote/avahi_poll.h"

#include <avahi-common/timeval.h>

#include <QSocketNotifier>
#include <QTimer>

#include <algorithm>
#include <climits>
#include <poll.h>

// Avahi declares these two and leaves their insides to the main loop.
struct AvahiWatch {
    kelvo::qt::AvahiQtPoll* poll;
    int fd;
    AvahiWatchCallback callback;
    void* userdata;
    QSocketNotifier* reading;
    QSocketNotifier* writing;
    // What poll() found for the callback that runs; watch_get_events() answers it.
    AvahiWatchEvent happened{};
    // A watch its own callback frees goes once the callback has returned.
    bool running = false;
    bool freed = false;
};

struct AvahiTimeout {
    kelvo::qt::AvahiQtPoll* poll;
    QTimer* timer;
    AvahiTimeoutCallback callback;
    void* userdata;
    bool running = false;
    bool freed = false;
};

namespace kelvo::qt {

namespace {

constexpr short kEventsAvahiKnows = POLLIN | POLLOUT | POLLERR | POLLHUP;

AvahiQtPoll& poll_of(const AvahiPoll* api) {
    return *static_cast<AvahiQtPoll*>(api->userdata);
}

// The time left until `when` (Avahi gives the wall clock's time of day), rounded up so
// that the callback never comes before it.
int milliseconds_until(const timeval& when) {
    const AvahiUsec age = avahi_age(&when);
    if (age >= 0) {
        return 0;
    }
    return static_cast<int>(std::min<AvahiUsec>((-age + 999) / 1000, INT_MAX));
}

// A notifier goes with deleteLater(): it may be the one whose signal is being handled.
void retire(QObject* object) {
    if (auto* notifier = qobject_cast<QSocketNotifier*>(object)) {
        notifier->setEnabled(false);
    } else if (auto* timer = qobject_cast<QTimer*>(object)) {
        timer->stop();
    }
    object->deleteLater();
}

} // namespace

struct AvahiQtPollHooks {
    static AvahiWatch* watch_new(const AvahiPoll* api, int fd, AvahiWatchEvent events,
                                 AvahiWatchCallback callback, void* userdata) {
        AvahiQtPoll& poll = poll_of(api);
        auto* watch = new AvahiWatch{
            &poll,
            fd,
            callback,
            userdata,
            new QSocketNotifier(static_cast<qintptr>(fd), QSocketNotifier::Read, &poll),
            new QSocketNotifier(static_cast<qintptr>(fd), QSocketNotifier::Write, &poll)};
        for (QSocketNotifier* notifier : {watch->reading, watch->writing}) {
            QObject::connect(notifier, &QSocketNotifier::activated, &poll,
                             [watch] { dispatch(watch); });
        }
        watch_update(watch, events);
        poll.watches_.insert(watch);
        return watch;
    }

    static void watch_update(AvahiWatch* watch, AvahiWatchEvent events) {
        if (watch->freed) {
            return;
        }
        watch->reading->setEnabled((events & AVAHI_WATCH_IN) != 0);
        watch->writing->setEnabled((events & AVAHI_WATCH_OUT) != 0);
    }

    static AvahiWatchEvent watch_get_events(AvahiWatch* watch) { return watch->happened; }

    static void watch_free(AvahiWatch* watch) {
        if (watch->running) {
            watch->freed = true;
            watch->reading->setEnabled(false);
            watch->writing->setEnabled(false);
            return;
        }
        destroy(watch);
    }

    // A notifier says the descriptor is ready: poll() tells exactly what for (a hang-up or
    // an error comes to the read notifier as readiness), and the callback hears that.
    static void dispatch(AvahiWatch* watch) {
        const auto wanted = static_cast<short>((watch->reading->isEnabled() ? POLLIN : 0) |
                                               (watch->writing->isEnabled() ? POLLOUT : 0));
        pollfd ready{watch->fd, wanted, 0};
        if (::poll(&ready, 1, 0) <= 0) {
            return;
        }
        if ((ready.revents & POLLNVAL) != 0) {
            // Closed without being freed: nothing will ever come of it.
            watch->reading->setEnabled(false);
            watch->writing->setEnabled(false);
            return;
        }
        watch->happened = static_cast<AvahiWatchEvent>(ready.revents & kEventsAvahiKnows);
        watch->running = true;
        watch->callback(watch, watch->fd, watch->happened, watch->userdata);
        watch->running = false;
        watch->happened = {};
        if (watch->freed) {
            destroy(watch);
        }
    }

    static void destroy(AvahiWatch* watch) {
        watch->poll->watches_.erase(watch);
        retire(watch->reading);
        retire(watch->writing);
        delete watch;
    }

    static AvahiTimeout* timeout_new(const AvahiPoll* api, const timeval* when,
                                     AvahiTimeoutCallback callback, void* userdata) {
        AvahiQtPoll& poll = poll_of(api);
        auto* timeout = new AvahiTimeout{&poll, new QTimer(&poll), callback, userdata};
        timeout->timer->setSingleShot(true);
        timeout->timer->setTimerType(Qt::PreciseTimer);
        QObject::connect(timeout->timer, &QTimer::timeout, &poll, [timeout] { fire(timeout); });
        timeout_update(timeout, when);
        poll.timeouts_.insert(timeout);
        return timeout;
    }

    // No time: the timeout waits, disabled, until it is given one.
    static void timeout_update(AvahiTimeout* timeout, const timeval* when) {
        if (timeout->freed) {
            return;
        }
        if (when == nullptr) {
            timeout->timer->stop();
            return;
        }
        timeout->timer->start(milliseconds_until(*when));
    }

    static void timeout_free(AvahiTimeout* timeout) {
        if (timeout->running) {
            timeout->freed = true;
            timeout->timer->stop();
            return;
        }
        destroy(timeout);
    }

    static void fire(AvahiTimeout* timeout) {
        timeout->running = true;
        timeout->callback(timeout, timeout->userdata);
        timeout->running = false;
        if (timeout->freed) {
            destroy(timeout);
        }
    }

    static void destroy(AvahiTimeout* timeout) {
        timeout->poll->timeouts_.erase(timeout);
        retire(timeout->timer);
        delete timeout;
    }
};

AvahiQtPoll::AvahiQtPoll(QObject* parent) : QObject(parent) {
    api_.userdata = this;
    api_.watch_new = &AvahiQtPollHooks::watch_new;
    api_.watch_update = &AvahiQtPollHooks::watch_update;
    api_.watch_get_events = &AvahiQtPollHooks::watch_get_events;
    api_.watch_free = &AvahiQtPollHooks::watch_free;
    api_.timeout_new = &AvahiQtPollHooks::timeout_new;
    api_.timeout_update = &AvahiQtPollHooks::timeout_update;
    api_.timeout_free = &AvahiQtPollHooks::timeout_free;
}

// What no client freed goes now; the notifiers and timers go with their parent.
AvahiQtPoll::~AvahiQtPoll() {
    for (AvahiWatch* watch : watches_) {
        delete watch;
    }
    for (AvahiTimeout* timeout : timeouts_) {
        delete timeout;
    }
}

} // namespace kelvo::qt
