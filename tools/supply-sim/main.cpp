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
#include <initializer_list>
#include <optional>
#include <poll.h>
#include <random>
#include <string>
#include <time.h>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using namespace kelvo::sim;

// The load while the schedule says "overload": low enough to make any set-point limit.
constexpr double kOverloadOhms = 0.1;

volatile std::sig_atomic_t stop_requested = 0;

// Wall-clock milliseconds since the Unix epoch, as other programs on the machine see them.
long long epoch_ms() {
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    return static_cast<long long>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

// The supply's life on its terminal, from the announcement until a signal ends it.
class Simulator {
public:
    Simulator(const Options& o, Terminal& terminal, FILE* record, FILE* output_log)
        : o_(o), terminal_(terminal), record_(record), output_log_(output_log),
          mode_(o.schedule.empty() ? Mode::Normal : o.schedule.front().mode) {
        if (o.cell_mah > 0) {
            CellPack pack;
            pack.capacity_mah = o.cell_mah;
            pack.cells = o.cells;
            pack.charge_mah = std::min(o.cell_charged_mah, o.cell_mah);
            cell_ = pack;
        }
    }

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
            charge_cell();
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
            // The moment the frames this read completes reached the supply.
            const long long received_ms = output_log_ != nullptr ? epoch_ms() : 0;
            if (record_ != nullptr) {
                std::fwrite(buffer, 1, static_cast<std::size_t>(got), record_);
                std::fflush(record_);
            }
            const std::vector<Command> commands =
                reader_.feed_all(std::string_view(buffer, static_cast<std::size_t>(got)));
            for (const Command& command : commands) {
                log_output(received_ms, command);
            }
            if (!commands.empty()) {
                command_ = commands.back();
            }
        }
    }

    void log_output(long long received_ms, const Command& command) {
        if (output_log_ != nullptr && output_changes_.worth_a_line(command)) {
            std::fputs(output_log_line(received_ms, command).c_str(), output_log_);
            std::fflush(output_log_);
        }
    }

    // Volts the voltage reads high by now: none unless asked for.
    double reading_high() const {
        return o_.read_high_from_start || mode_ == Mode::ReadHigh ? o_.read_high_volts : 0;
    }

    Reading reading(double load_ohms) const {
        const Reading taken = cell_ && mode_ != Mode::Overload ? cell_->measure(command_)
                                                               : measure(command_, load_ohms);
        return read_high(command_, taken, reading_high());
    }

    // The pack fills with what flows into it, whether or not a reply goes out.
    void charge_cell() {
        const auto now = Clock::now();
        if (cell_) {
            cell_->charge(command_, std::chrono::duration<double>(now - charged_at_).count());
        }
        charged_at_ = now;
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
        const std::string frame = reply_frame(reading(o_.load_ohms));
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
            reply_frame(reading(mode_ == Mode::Overload ? kOverloadOhms : o_.load_ohms));
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
        case Mode::ReadHigh:
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
    FILE* output_log_;
    OutputChanges output_changes_;
    const Clock::time_point started_ = Clock::now();
    std::size_t step_ = 0;
    Mode mode_;
    double back_at_ = -1;
    CommandReader reader_;
    Command command_;
    std::optional<CellPack> cell_;
    Clock::time_point charged_at_ = Clock::now();
    std::mt19937 random_{12345};
    Clock::time_point next_reply_ = Clock::now();
    // While flooding: what is still to be written of the current block.
    std::string flood_;
    std::size_t flooded_ = 0;
};

FILE* open_for_writing(const std::string& path, const char* how) {
    FILE* file = nullptr;
    if (!path.empty()) {
        file = std::fopen(path.c_str(), how);
        if (file == nullptr) {
            fail("cannot write " + path + ": " + std::strerror(errno));
        }
    }
    return file;
}

} // namespace

int main(int argc, char** argv) {
    const Options o = parse_options(argc, argv);
    std::signal(SIGINT, [](int) { stop_requested = 1; });
    std::signal(SIGTERM, [](int) { stop_requested = 1; });
    std::signal(SIGPIPE, SIG_IGN);

    FILE* record = open_for_writing(o.record, "wb");
    FILE* output_log = open_for_writing(o.log_output, "w");

    Terminal terminal;
    if (!terminal.open_new()) {
        std::fprintf(stderr, "kelvo-supply-sim: cannot open a pseudo-terminal: %s\n",
                     std::strerror(errno));
        return 1;
    }
    announce(terminal, o);

    Simulator simulator(o, terminal, record, output_log);
    if (!simulator.run()) {
        return 1;
    }
    terminal.close_all();
    if (!o.link.empty()) {
        ::unlink(o.link.c_str());
    }
    for (FILE* file : {record, output_log}) {
        if (file != nullptr) {
            std::fclose(file);
        }
    }
    return 0;
}
