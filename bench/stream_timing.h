// What the benchmarks that play the supply share: starting the real program on their
// pseudo-terminal, and the gaps between the characters it sends.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

namespace kelvo::bench {

using Clock = std::chrono::steady_clock;

inline double ms_between(Clock::time_point a, Clock::time_point b) {
    return std::chrono::duration<double, std::milli>(b - a).count();
}

// The value below which `share` of the values lie (1 for the largest); -1 for none.
inline double percentile(std::vector<double> values, double share) {
    if (values.empty()) {
        return -1;
    }
    std::sort(values.begin(), values.end());
    return values[static_cast<std::size_t>(share * static_cast<double>(values.size() - 1))];
}

inline std::vector<double> gaps(const std::vector<Clock::time_point>& arrivals) {
    std::vector<double> found;
    for (std::size_t i = 1; i < arrivals.size(); ++i) {
        found.push_back(ms_between(arrivals[i - 1], arrivals[i]));
    }
    return found;
}

// Starts `program` with `port` as its only serial port and the given options; on the
// offscreen platform when asked to or when there is no display.
inline pid_t start_program(const char* program, const std::string& port,
                           const std::vector<std::string>& options, bool offscreen) {
    const pid_t child = fork();
    if (child == 0) {
        setenv("KELVO_SERIAL_PORTS", port.c_str(), 1);
        if (offscreen || getenv("DISPLAY") == nullptr) {
            setenv("QT_QPA_PLATFORM", "offscreen", 1);
        }
        std::vector<char*> argv{const_cast<char*>(program)};
        for (const std::string& option : options) {
            argv.push_back(const_cast<char*>(option.c_str()));
        }
        argv.push_back(nullptr);
        execv(program, argv.data());
        std::perror("exec");
        _exit(127);
    }
    return child;
}

} // namespace kelvo::bench
