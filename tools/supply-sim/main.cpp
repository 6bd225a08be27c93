// kelvo-supply-sim: a simulated power supply on a pseudo-terminal. It reads the command
// frames the program streams, models a resistive load and answers with reply frames,
// optionally misbehaving the ways a real link does.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "pty_terminal.h"
#include "sim_options.h"
#include "supply_model.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <poll.h>
#include <random>
#include <string>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;
using namespace kelvo::sim;

// The load while the schedule says "overload": low enough to make any set-point limit.
constexpr double kOverloadOhms = 0.1;

volatile std::sig_atomic_t stop_requested = 0;

// The supply's life on its terminal, from the announcement until a signal ends it.
class Simulator {
public:
    Simulator(const Options& o, Terminal& terminal, FILE* record)
        : o_(o), terminal_(terminal), record_(record),
          mode_(o.schedule.empty() ? Mode::Normal : o.schedule.front().mode) {}

    // Runs until asked to stop; false if the terminal could not be opened again.
    bool run() {
        while (stop_requested == 0) {
            follow_schedule();
            if (terminal_.master < 0) {
                const Line line = come_back();
                if (line == Line::Lost) {
                    return false;
                }
                if (line == Line::Down) {
                    continue;
                }
            }
            const bool flooding = mode_ == Mode::Flood || mode_ == Mode::FloodGarbage;
            const pollfd p = poll_terminal(flooding);
            receive();
            if (flooding) {
                flood(p.revents);
                next_reply_ = Clock::now();
                continue;
            }
            if (Clock::now() < next_reply_) {
                continue;
            }
            next_reply_ += std::chrono::milliseconds(o_.period_ms);
            send_reply();
        }
        return true;
    }

private:
    enum class Line { Up, Down, Lost };

    double seconds() const {
        return std::chrono::duration<double>(Clock::now() - started_).count();
    }

    void follow_schedule() {
        while (step_ + 1 < o_.schedule.size() && seconds() >= o_.schedule[step_ + 1].at_seconds) {
            mode_ = o_.schedule[++step_].mode;
            if (mode_ == Mode::HangUp && terminal_.master >= 0) {
                hang_up();
            }
        }
    }

    void hang_up() {
        terminal_.close_all();
        if (!o_.link.empty()) {
            ::unlink(o_.link.c_str());
        }
        std::printf("hung up\n");
        std::fflush(stdout);
        back_at_ = seconds() + o_.hangup_for;
    }

    // While hung up: a new terminal once the time away is over, else a short nap.
    Line come_back() {
        if (back_at_ >= 0 && seconds() >= back_at_) {
            if (!terminal_.open_new()) {
                return Line::Lost;
            }
            announce(terminal_, o_);
            back_at_ = -1;
            mode_ = Mode::Normal;
            return Line::Up;
        }
        ::usleep(20000);
        return Line::Down;
    }

    pollfd poll_terminal(bool flooding) {
        pollfd p{terminal_.master, static_cast<short>(flooding ? POLLIN | POLLOUT : POLLIN), 0};
        const auto until_reply =
            std::chrono::duration_cast<std::chrono::milliseconds>(next_reply_ - Clock::now());
        // Flooding waits for room, or for the schedule's next look.
        ::poll(&p, 1,
               flooding ? 50 : static_cast<int>(std::clamp<long long>(until_reply.count(), 0, 50)));
        return p;
    }

    void receive() {
        char buffer[512];
        const ssize_t got = ::read(terminal_.master, buffer, sizeof buffer);
        if (got > 0) {
            if (record_ != nullptr) {
                std::fwrite(buffer, 1, static_cast<std::size_t>(got), record_);
                std::fflush(record_);
            }
            if (auto newest =
                    reader_.feed(std::string_view(buffer, static_cast<std::size_t>(got)))) {
                command_ = *newest;
            }
        }
    }

    // Whole frames, block after block, as fast as the terminal takes them.
    void flood(short revents) {
        if ((revents & POLLOUT) == 0) {
            return;
        }
        if (flooded_ == flood_.size()) {
            next_flood_block();
        }
        const ssize_t written =
            ::write(terminal_.master, flood_.data() + flooded_, flood_.size() - flooded_);
        if (written > 0) {
            flooded_ += static_cast<std::size_t>(written);
        }
    }

    void next_flood_block() {
        flood_.clear();
        flooded_ = 0;
        const std::string frame = reply_frame(measure(command_, o_.load_ohms));
        while (flood_.size() < 4096) {
            flood_ += frame;
        }
        if (mode_ == Mode::FloodGarbage) {
            for (char& c : flood_) {
                c = static_cast<char>('a' + random_() % 26);
            }
        }
    }

    void send_reply() {
        std::string out =
            reply_frame(measure(command_, mode_ == Mode::Overload ? kOverloadOhms : o_.load_ohms));
        misbehave(out);
        if (!out.empty()) {
            const ssize_t written = ::write(terminal_.master, out.data(), out.size());
            (void)written; // a full buffer drops the reply, as a busy line would
        }
    }

    void misbehave(std::string& out) {
        switch (mode_) {
        case Mode::Normal:
        case Mode::HangUp:
        case Mode::Overload:
        case Mode::Flood:
        case Mode::FloodGarbage:
            break;
        case Mode::Silent:
            out.clear();
            break;
        case Mode::Garbage:
            for (char& c : out) {
                c = static_cast<char>('a' + random_() % 26);
            }
            break;
        case Mode::Bytes255:
            out = std::string(3, '\xff') + out + std::string(2, '\xff');
            break;
        case Mode::Torn:
            out += out.substr(0, 7);
            break;
        case Mode::Lower:
            for (std::size_t i = 0; i < 6; ++i) {
                out[i] = static_cast<char>(out[i] - 'A' + 'a');
            }
            break;
        }
    }

    const Options& o_;
    Terminal& terminal_;
    FILE* record_;
    const Clock::time_point started_ = Clock::now();
    std::size_t step_ = 0;
    Mode mode_;
    double back_at_ = -1;
    CommandReader reader_;
    Command command_;
    std::mt19937 random_{12345};
    Clock::time_point next_reply_ = Clock::now();
    // While flooding: what is still to be written of the current block.
    std::string flood_;
    std::size_t flooded_ = 0;
};

FILE* open_record(const Options& o) {
    FILE* record = nullptr;
    if (!o.record.empty()) {
        record = std::fopen(o.record.c_str(), "wb");
        if (record == nullptr) {
            fail("cannot write " + o.record + ": " + std::strerror(errno));
        }
    }
    return record;
}

} // namespace

int main(int argc, char** argv) {
    const Options o = parse_options(argc, argv);
    std::signal(SIGINT, [](int) { stop_requested = 1; });
    std::signal(SIGTERM, [](int) { stop_requested = 1; });
    std::signal(SIGPIPE, SIG_IGN);

    FILE* record = open_record(o);

    Terminal terminal;
    if (!terminal.open_new()) {
        std::fprintf(stderr, "kelvo-supply-sim: cannot open a pseudo-terminal: %s\n",
                     std::strerror(errno));
        return 1;
    }
    announce(terminal, o);

    Simulator simulator(o, terminal, record);
    if (!simulator.run()) {
        return 1;
    }
    terminal.close_all();
    if (!o.link.empty()) {
        ::unlink(o.link.c_str());
    }
    if (record != nullptr) {
        std::fclose(record);
    }
    return 0;
}
