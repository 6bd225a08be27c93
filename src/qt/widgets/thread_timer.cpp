// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt/widgets/thread_timer.h"

#include <QTimer>

#include <algorithm>
#include <chrono>

#ifdef Q_OS_LINUX
#include <pthread.h>
#endif

namespace kelvo::qt {

QtThreadTimer::QtThreadTimer(int interval) : interval_(std::max(1, interval)) {
    QTimer::singleShot(0, &context_, [this] { start(); });
}

QtThreadTimer::~QtThreadTimer() {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
    }
    stop_requested_.notify_all();
    if (thread_.joinable()) {
        thread_.join();
    }
}

void QtThreadTimer::set_interval(int milliseconds) {
    const std::lock_guard<std::mutex> lock(mutex_);
    interval_ = std::max(1, milliseconds);
}

int QtThreadTimer::interval() const {
    const std::lock_guard<std::mutex> lock(mutex_);
    return interval_;
}

void QtThreadTimer::on_tick(platform::Handler handler) {
    const std::lock_guard<std::mutex> lock(mutex_);
    tick_ = std::move(handler);
}

bool QtThreadTimer::running() const {
    const std::lock_guard<std::mutex> lock(mutex_);
    return thread_.joinable();
}

void QtThreadTimer::start() {
    const std::lock_guard<std::mutex> lock(mutex_);
    if (thread_.joinable() || stop_) {
        return;
    }
    thread_ = std::thread([this] { run(); });
#ifdef Q_OS_LINUX
    pthread_setname_np(thread_.native_handle(), "kelvo-send");
#endif
}

void QtThreadTimer::run() {
    using Clock = std::chrono::steady_clock;
    std::unique_lock<std::mutex> lock(mutex_);
    Clock::time_point next = Clock::now();
    for (;;) {
        const std::chrono::milliseconds interval(interval_);
        next += interval;
        const Clock::time_point now = Clock::now();
        if (next < now) {
            next = now + interval;
        }
        if (stop_requested_.wait_until(lock, next, [this] { return stop_; })) {
            return;
        }
        if (tick_) {
            try {
                tick_();
            } catch (...) { // NOLINT(bugprone-empty-catch): see below
                // Nothing may escape a thread; the next tick simply tries again.
            }
        }
    }
}

} // namespace kelvo::qt
