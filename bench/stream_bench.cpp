// Measures the program's send stream on a pseudo-terminal: it starts the real kelvo
// binary on a terminal of its own, answers like a supply, timestamps every character
// that arrives and reports the rate, the gaps between characters, the time to the first
// character, and the CPU time and peak memory of the kelvo process.
//
//   kelvo-stream-bench PATH-TO-KELVO [SECONDS]   (default 60)
// SPDX-License-Identifier: GPL-3.0-or-later
#include "pty_terminal.h"
#include "stream_timing.h"
#include "supply_model.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

using kelvo::bench::Clock;
using kelvo::bench::ms_between;

// CPU time of all threads of a process in seconds: the scheduler's own count, not tick
// samples, which a program waking every 5 ms can alias with.
double cpu_seconds(pid_t pid) {
    double nanoseconds = 0;
    std::error_code error;
    const std::filesystem::path tasks = "/proc/" + std::to_string(pid) + "/task";
    for (const auto& task : std::filesystem::directory_iterator(tasks, error)) {
        std::ifstream schedstat(task.path() / "schedstat");
        double on_cpu = 0;
        if (schedstat >> on_cpu) {
            nanoseconds += on_cpu;
        }
    }
    return nanoseconds / 1e9;
}

long peak_rss_kb(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string key;
    while (status >> key) {
        if (key == "VmHWM:") {
            long kb = 0;
            status >> kb;
            return kb;
        }
        status.ignore(1 << 12, '\n');
    }
    return -1;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: kelvo-stream-bench PATH-TO-KELVO [SECONDS]\n");
        return 2;
    }
    const double seconds = argc > 2 ? std::atof(argv[2]) : 60;

    kelvo::sim::Terminal terminal;
    if (!terminal.open_new()) {
        std::perror("pseudo-terminal");
        return 1;
    }
    const int master = terminal.master;
    const std::string& path = terminal.path;

    const auto started = Clock::now();
    const pid_t child = kelvo::bench::start_program(argv[1], path, {}, false);

    kelvo::sim::CommandReader reader;
    kelvo::sim::Command command;
    std::vector<Clock::time_point> arrivals;
    arrivals.reserve(static_cast<std::size_t>(seconds * 250) + 1000);
    auto next_reply = Clock::now();
    const auto deadline = started + std::chrono::duration<double>(seconds);
    double first_ms = -1;
    double cpu_at_first = 0;
    while (Clock::now() < deadline) {
        pollfd p{master, POLLIN, 0};
        poll(&p, 1, 20);
        char buffer[256];
        const ssize_t got = (p.revents & POLLIN) ? read(master, buffer, sizeof buffer) : 0;
        const auto now = Clock::now();
        if (got > 0) {
            if (first_ms < 0) {
                first_ms = ms_between(started, now);
                cpu_at_first = cpu_seconds(child);
            }
            for (ssize_t i = 0; i < got; ++i) {
                arrivals.push_back(now);
            }
            if (auto newest =
                    reader.feed(std::string_view(buffer, static_cast<std::size_t>(got)))) {
                command = *newest;
            }
        }
        if (now >= next_reply) {
            next_reply += std::chrono::milliseconds(200);
            const std::string reply = kelvo::sim::reply_frame(kelvo::sim::measure(command, 10));
            if (write(master, reply.data(), reply.size()) < 0) {
                break;
            }
        }
    }
    const double cpu = cpu_seconds(child) - cpu_at_first;
    const long rss = peak_rss_kb(child);
    kill(child, SIGTERM);
    waitpid(child, nullptr, 0);
    terminal.close_all();

    if (arrivals.size() < 2) {
        std::printf("no characters arrived\n");
        return 1;
    }
    // Measure from the first character on, so start-up does not count against the rate.
    const std::vector<double> gaps = kelvo::bench::gaps(arrivals);
    const double span = ms_between(arrivals.front(), arrivals.back()) / 1000;
    std::printf("run                 %.0f s\n", seconds);
    std::printf("first character     %.0f ms after start\n", first_ms);
    std::printf("characters/s        %.2f (%zu in %.2f s)\n",
                static_cast<double>(arrivals.size() - 1) / span, arrivals.size(), span);
    std::printf("gap p99             %.2f ms\n", kelvo::bench::percentile(gaps, 0.99));
    std::printf("gap longest         %.2f ms\n", kelvo::bench::percentile(gaps, 1));
    std::printf("kelvo CPU           %.2f s = %.2f %% of one core (from the first character)\n",
                cpu, 100 * cpu / span);
    std::printf("kelvo peak RSS      %.1f MB\n", static_cast<double>(rss) / 1024);
    return 0;
}
