// Measures remote control under load: starts the real kelvo binary on a pseudo-terminal of
// its own with --remote, answers like a supply, and times every character of the send
// stream. First the stream alone, then with a client sending MEAS:VOLT? a thousand times a
// second, one each millisecond whether the last is answered or not: the round trips of the
// queries and the gaps of the stream, alone and under the queries.
//
//   kelvo-remote-bench PATH-TO-KELVO [SECONDS] [PORT]   (default 20 each phase, 5025)
// SPDX-License-Identifier: GPL-3.0-or-later
#include "pty_terminal.h"
#include "stream_timing.h"
#include "supply_model.h"

#include <algorithm>
#include <arpa/inet.h>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

using kelvo::bench::Clock;
using kelvo::bench::gaps;
using kelvo::bench::ms_between;
using kelvo::bench::percentile;

int connect_to(int port) {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        close(fd);
        return -1;
    }
    const int one = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    return fd;
}

// The pretend supply: takes what arrives, answers every 200 ms.
struct Supply {
    int master;
    kelvo::sim::CommandReader reader;
    kelvo::sim::Command command;
    Clock::time_point next_reply = Clock::now();
    std::vector<Clock::time_point>* arrivals = nullptr;

    void serve(bool readable) {
        char buffer[256];
        const ssize_t got = readable ? read(master, buffer, sizeof buffer) : 0;
        const auto now = Clock::now();
        if (got > 0) {
            arrivals->insert(arrivals->end(), static_cast<std::size_t>(got), now);
            if (auto newest = reader.feed(std::string_view(buffer, std::size_t(got)))) {
                command = *newest;
            }
        }
        if (now >= next_reply) {
            next_reply += std::chrono::milliseconds(200);
            const std::string reply = kelvo::sim::reply_frame(kelvo::sim::measure(command, 10));
            [[maybe_unused]] const ssize_t sent = write(master, reply.data(), reply.size());
        }
    }
};

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: kelvo-remote-bench PATH-TO-KELVO [SECONDS] [PORT]\n");
        return 2;
    }
    const double seconds = argc > 2 ? std::atof(argv[2]) : 20;
    const int port = argc > 3 ? std::atoi(argv[3]) : 5025;
    kelvo::sim::Terminal terminal;
    if (!terminal.open_new()) {
        std::perror("pseudo-terminal");
        return 1;
    }
    const int master = terminal.master;
    const std::string& path = terminal.path;
    const std::string listen = "127.0.0.1:" + std::to_string(port);
    const pid_t child = kelvo::bench::start_program(argv[1], path, {"--remote", listen}, true);

    std::vector<Clock::time_point> warm_up, alone, loaded;
    Supply supply{master, {}, {}, Clock::now(), &warm_up};
    const auto phase = [&](double length, int client, std::vector<double>* trips) {
        const auto end = Clock::now() + std::chrono::duration<double>(length);
        auto next_send = Clock::now();
        std::deque<Clock::time_point> sent; // queries not answered yet, oldest first
        while (Clock::now() < end) {
            if (client >= 0 && Clock::now() >= next_send) {
                next_send += std::chrono::milliseconds(1);
                if (write(client, "MEAS:VOLT?\n", 11) == 11) {
                    sent.push_back(Clock::now());
                }
            }
            pollfd p[2] = {{master, POLLIN, 0}, {client, POLLIN, 0}};
            const timespec wait{0, 100'000};
            ppoll(p, client >= 0 ? 2 : 1, &wait, nullptr);
            supply.serve((p[0].revents & POLLIN) != 0);
            char buffer[4096];
            const ssize_t got = client >= 0 && (p[1].revents & POLLIN) != 0
                                    ? read(client, buffer, sizeof buffer)
                                    : 0;
            for (ssize_t i = 0; i < got; ++i) {
                if (buffer[i] == '\n' && !sent.empty()) {
                    trips->push_back(ms_between(sent.front(), Clock::now()));
                    sent.pop_front();
                }
            }
        }
    };
    phase(4, -1, nullptr); // the program starts and finds the supply
    supply.arrivals = &alone;
    phase(seconds, -1, nullptr);
    const int client = connect_to(port);
    if (client < 0) {
        std::printf("cannot connect to %s\n", listen.c_str());
        kill(child, SIGTERM);
        return 1;
    }
    std::vector<double> trips;
    supply.arrivals = &loaded;
    phase(seconds, client, &trips);
    close(client);
    kill(child, SIGTERM);
    waitpid(child, nullptr, 0);

    std::printf("stream alone        %zu characters, gap p99 %.2f ms, longest %.2f ms\n",
                alone.size(), percentile(gaps(alone), 0.99), percentile(gaps(alone), 1));
    std::printf("stream under load   %zu characters, gap p99 %.2f ms, longest %.2f ms\n",
                loaded.size(), percentile(gaps(loaded), 0.99), percentile(gaps(loaded), 1));
    std::printf("queries             %zu in %.0f s = %.0f/s\n", trips.size(), seconds,
                static_cast<double>(trips.size()) / seconds);
    std::printf("MEAS:VOLT? round trip median %.3f ms, p99 %.3f ms, longest %.3f ms\n",
                percentile(trips, 0.5), percentile(trips, 0.99), percentile(trips, 1));
    return 0;
}
