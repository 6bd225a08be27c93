// qt/widgets/: a timer that ticks on a thread of its own. The send stream wakes the program
// two hundred times a second; on its own thread each of those wake-ups costs a sleep and a
// write instead of a pass through the window's event loop, and a busy window (a repaint, a
// file dialog, a long database read) can no longer delay a character.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/controls.h"

#include <QObject>

#include <condition_variable>
#include <mutex>
#include <thread>

namespace kelvo::qt {

class QtThreadTimer final : public platform::Timer {
public:
    // Runs from creation; its ticks arrive once the window's event loop runs. The ticks keep
    // to whole multiples of the interval from the first one; after a stall (a suspended
    // machine) they go on from the moment it ended instead of catching up in a burst.
    explicit QtThreadTimer(int interval);
    ~QtThreadTimer() override;
    QtThreadTimer(const QtThreadTimer&) = delete;
    QtThreadTimer& operator=(const QtThreadTimer&) = delete;

    void set_interval(int milliseconds) override;
    int interval() const override;
    // Waits for a tick under way.
    void on_tick(platform::Handler handler) override;
    // The thread the ticks run on has started.
    bool running() const;

private:
    void start();
    void run();

    QObject context_; // for the start once the event loop runs
    mutable std::mutex mutex_;
    std::condition_variable stop_requested_;
    platform::Handler tick_;
    int interval_;
    bool stop_ = false;
    std::thread thread_;
};

} // namespace kelvo::qt
