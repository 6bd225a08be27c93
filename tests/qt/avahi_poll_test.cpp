// Avahi's main-loop hooks on Qt's event loop, driven as the Avahi client drives them: a
// watch hears its pipe become readable or writable or hang up, an update changes what it
// waits for, a timeout comes at its time and not before, and a watch or timeout freed from
// a callback (its own or another's) is never called again.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt/remote/avahi_poll.h"
#include "qt_fixture.h"

#include <QElapsedTimer>

#include <array>
#include <sys/time.h>
#include <unistd.h>
#include <vector>

namespace kelvo::qt::testing {
namespace {

// A pipe, closed at the end of the test.
struct Pipe {
    Pipe() { EXPECT_EQ(::pipe2(ends.data(), O_CLOEXEC | O_NONBLOCK), 0); }
    ~Pipe() {
        for (const int end : ends) {
            if (end >= 0) {
                ::close(end);
            }
        }
    }
    Pipe(const Pipe&) = delete;
    Pipe& operator=(const Pipe&) = delete;
    int reader() const { return ends[0]; }
    int writer() const { return ends[1]; }
    void put() const { ASSERT_EQ(::write(ends[1], "x", 1), 1); }
    void close_writer() {
        ::close(ends[1]);
        ends[1] = -1;
    }
    std::array<int, 2> ends{-1, -1};
};

// What a callback saw, and what it is to do to the poll once called.
struct PollHeard {
    explicit PollHeard(const AvahiPoll* poll = nullptr) : api(poll) {}
    const AvahiPoll* api;
    int calls = 0;
    std::vector<AvahiWatchEvent> events;
    std::vector<AvahiWatchEvent> asked; // watch_get_events() inside the callback
    bool free_self = false;
    bool drain = false;
    AvahiWatch* free_other = nullptr;
};

void heard_watch(AvahiWatch* watch, int fd, AvahiWatchEvent event, void* userdata) {
    auto& heard = *static_cast<PollHeard*>(userdata);
    ++heard.calls;
    heard.events.push_back(event);
    heard.asked.push_back(heard.api->watch_get_events(watch));
    if (heard.drain) {
        char byte = 0;
        while (::read(fd, &byte, 1) > 0) {
        }
    }
    if (heard.free_other != nullptr) {
        heard.api->watch_free(heard.free_other);
        heard.free_other = nullptr;
    }
    if (heard.free_self) {
        heard.api->watch_free(watch);
    }
}

// The time of day `milliseconds` from now, as Avahi gives a timeout's time.
timeval in(int milliseconds) {
    timeval now{};
    ::gettimeofday(&now, nullptr);
    const long long micros = now.tv_usec + milliseconds * 1000LL;
    now.tv_sec += static_cast<time_t>(micros / 1'000'000);
    now.tv_usec = static_cast<suseconds_t>(micros % 1'000'000);
    return now;
}

struct Fired {
    explicit Fired(const AvahiPoll* poll = nullptr) : api(poll) {}
    const AvahiPoll* api;
    int calls = 0;
    qint64 at_ms = -1;
    QElapsedTimer clock;
    bool free_self = false;
    int again_in_ms = -1; // re-armed from the callback when not negative
};

void fired(AvahiTimeout* timeout, void* userdata) {
    auto& f = *static_cast<Fired*>(userdata);
    ++f.calls;
    f.at_ms = f.clock.elapsed();
    if (f.again_in_ms >= 0) {
        const timeval next = in(f.again_in_ms);
        f.again_in_ms = -1;
        f.api->timeout_update(timeout, &next);
    }
    if (f.free_self) {
        f.api->timeout_free(timeout);
    }
}

// Lets the event loop run for a while whatever happens.
void run_for(int milliseconds) {
    wait_until([] { return false; }, milliseconds);
}

TEST(AvahiPoll, AWatchHearsWhatItWaitsForAndAskedEventsMatch) {
    AvahiQtPoll poll;
    const AvahiPoll* api = poll.api();
    Pipe pipe;
    PollHeard heard{api};
    heard.drain = true;
    AvahiWatch* watch = api->watch_new(api, pipe.reader(), AVAHI_WATCH_IN, heard_watch, &heard);
    EXPECT_EQ(poll.watch_count(), 1U);
    run_for(50);
    EXPECT_EQ(heard.calls, 0) << "nothing to read yet";

    pipe.put();
    ASSERT_TRUE(wait_until([&] { return heard.calls == 1; }));
    EXPECT_EQ(heard.events.at(0), AVAHI_WATCH_IN);
    EXPECT_EQ(heard.asked.at(0), AVAHI_WATCH_IN);
    EXPECT_EQ(api->watch_get_events(watch), 0) << "only while its callback runs";
    run_for(50);
    EXPECT_EQ(heard.calls, 1) << "drained: no more calls";

    // Waiting for nothing: a byte waits unheard until the watch waits for it again.
    heard.drain = false;
    api->watch_update(watch, static_cast<AvahiWatchEvent>(0));
    pipe.put();
    run_for(100);
    EXPECT_EQ(heard.calls, 1);
    heard.drain = true;
    api->watch_update(watch, AVAHI_WATCH_IN);
    ASSERT_TRUE(wait_until([&] { return heard.calls == 2; }));

    api->watch_free(watch);
    EXPECT_EQ(poll.watch_count(), 0U);
    pipe.put();
    run_for(100);
    EXPECT_EQ(heard.calls, 2) << "a freed watch is not called";
}

TEST(AvahiPoll, WritingAndHangingUpAreHeardForWhatTheyAre) {
    AvahiQtPoll poll;
    const AvahiPoll* api = poll.api();
    Pipe pipe;
    PollHeard writable{api};
    writable.free_self = true;
    api->watch_new(api, pipe.writer(), AVAHI_WATCH_OUT, heard_watch, &writable);
    ASSERT_TRUE(wait_until([&] { return writable.calls == 1; }));
    EXPECT_EQ(writable.events.at(0), AVAHI_WATCH_OUT);

    PollHeard hung_up{api};
    hung_up.free_self = true;
    api->watch_new(api, pipe.reader(), AVAHI_WATCH_IN, heard_watch, &hung_up);
    pipe.close_writer();
    ASSERT_TRUE(wait_until([&] { return hung_up.calls == 1; }));
    EXPECT_NE(hung_up.events.at(0) & AVAHI_WATCH_HUP, 0) << hung_up.events.at(0);
    EXPECT_EQ(hung_up.events.at(0) & AVAHI_WATCH_IN, 0) << "nothing to read, only the hang-up";
    EXPECT_EQ(hung_up.asked.at(0), hung_up.events.at(0));
    run_for(100);
    EXPECT_EQ(hung_up.calls, 1);
    EXPECT_EQ(writable.calls, 1);
    EXPECT_EQ(poll.watch_count(), 0U);
}

// The client frees its watch from the watch's callback when the daemon hangs up, and may
// free another one ready in the same round: neither is called again, nothing dangles.
TEST(AvahiPoll, AWatchFreedInACallbackIsNeverCalledAgain) {
    AvahiQtPoll poll;
    const AvahiPoll* api = poll.api();
    Pipe first;
    Pipe second;
    PollHeard one{api};
    PollHeard other{api};
    AvahiWatch* a = api->watch_new(api, first.reader(), AVAHI_WATCH_IN, heard_watch, &one);
    AvahiWatch* b = api->watch_new(api, second.reader(), AVAHI_WATCH_IN, heard_watch, &other);
    one.free_self = true;
    other.free_self = true;
    one.free_other = b;
    other.free_other = a;
    first.put();
    second.put();
    ASSERT_TRUE(wait_until([&] { return one.calls + other.calls > 0; }));
    run_for(100);
    EXPECT_EQ(one.calls + other.calls, 1) << "the first one called freed both";
    EXPECT_EQ(poll.watch_count(), 0U);
}

TEST(AvahiPoll, ATimeoutComesAtItsTimeAndNotBefore) {
    AvahiQtPoll poll;
    const AvahiPoll* api = poll.api();
    Fired f{api};
    f.clock.start();
    const timeval soon = in(120);
    AvahiTimeout* timeout = api->timeout_new(api, &soon, fired, &f);
    ASSERT_TRUE(wait_until([&] { return f.calls == 1; }));
    EXPECT_GE(f.at_ms, 119);
    EXPECT_LT(f.at_ms, 1000);
    run_for(200);
    EXPECT_EQ(f.calls, 1) << "once, then disabled";

    // Given a time again it comes again; a later time postpones it; none disables it.
    f.clock.restart();
    const timeval later = in(100);
    api->timeout_update(timeout, &later);
    const timeval latest = in(250);
    api->timeout_update(timeout, &latest);
    ASSERT_TRUE(wait_until([&] { return f.calls == 2; }));
    EXPECT_GE(f.at_ms, 249);
    api->timeout_update(timeout, nullptr);
    run_for(150);
    EXPECT_EQ(f.calls, 2);

    // A time gone by comes at once.
    const timeval past = in(-5000);
    api->timeout_update(timeout, &past);
    ASSERT_TRUE(wait_until([&] { return f.calls == 3; }, 100));
    api->timeout_free(timeout);
    EXPECT_EQ(poll.timeout_count(), 0U);
}

TEST(AvahiPoll, ATimeoutWithoutATimeOrFreedBeforeItsTimeNeverComes) {
    AvahiQtPoll poll;
    const AvahiPoll* api = poll.api();
    Fired waiting{api};
    Fired freed{api};
    AvahiTimeout* none = api->timeout_new(api, nullptr, fired, &waiting);
    const timeval soon = in(50);
    api->timeout_free(api->timeout_new(api, &soon, fired, &freed));
    EXPECT_EQ(poll.timeout_count(), 1U);
    run_for(200);
    EXPECT_EQ(waiting.calls, 0);
    EXPECT_EQ(freed.calls, 0);
    api->timeout_free(none);
}

TEST(AvahiPoll, ATimeoutReArmedOrFreedInItsCallbackDoesAsTold) {
    AvahiQtPoll poll;
    const AvahiPoll* api = poll.api();
    Fired f{api};
    f.clock.start();
    f.again_in_ms = 50;
    const timeval now = in(0);
    AvahiTimeout* timeout = api->timeout_new(api, &now, fired, &f);
    ASSERT_TRUE(wait_until([&] { return f.calls == 2; }));
    f.free_self = true;
    api->timeout_update(timeout, &now);
    ASSERT_TRUE(wait_until([&] { return f.calls == 3; }));
    EXPECT_EQ(poll.timeout_count(), 0U);
    run_for(100);
    EXPECT_EQ(f.calls, 3);
}

// A client freed after its poll would be a fault of ours; what a client leaves when it is
// freed first goes with the poll.
TEST(AvahiPoll, WhatIsLeftGoesWithThePoll) {
    Pipe pipe;
    PollHeard heard;
    Fired f;
    {
        AvahiQtPoll poll;
        heard.api = poll.api();
        const timeval soon = in(10);
        poll.api()->watch_new(poll.api(), pipe.reader(), AVAHI_WATCH_IN, heard_watch, &heard);
        poll.api()->timeout_new(poll.api(), &soon, fired, &f);
        EXPECT_EQ(poll.watch_count(), 1U);
        EXPECT_EQ(poll.timeout_count(), 1U);
    }
    pipe.put();
    run_for(100);
    EXPECT_EQ(heard.calls, 0);
    EXPECT_EQ(f.calls, 0);
}

} // namespace
} // namespace kelvo::qt::testing
