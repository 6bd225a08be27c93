// kelvo-supply-sim: a simulated power supply on a pseudo-terminal. It reads the command
// frames the program streams, models a resistive load and answers with reply frames,
// optionally misbehaving the ways a real link does.
#include "supply_model.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <random>
#include <string>
#include <termios.h>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using namespace kelvo::sim;

enum class Mode {
    Normal,
    Silent,
    Garbage,
    Bytes255,
    Torn,
    Lower,
    HangUp,
    Overload,
    Flood,
    FloodGarbage
};

// The load while the schedule says "overload": low enough to make any set-point limit.
constexpr double kOverloadOhms = 0.1;

struct Step {
    double at_seconds;
    Mode mode;
};

struct Options {
    int period_ms = 200;
    double load_ohms = 10;
    std::string link;
    std::string record;
    std::vector<Step> schedule{{0, Mode::Normal}};
    double hangup_for = 5;
};

const char* usage =
    "usage: kelvo-supply-sim [options]\n"
    "  --period MS        answer every MS milliseconds (default 200)\n"
    "  --load OHMS        resistive load on the output (default 10)\n"
    "  --link PATH        also make PATH a link to the terminal (kept across hang-ups)\n"
    "  --record FILE      write every byte received from the program to FILE\n"
    "  --silent | --garbage | --bytes-255 | --torn | --lower-case | --flood |\n"
    "  --flood-garbage    misbehave from the start: say nothing, send bytes without a\n"
    "                     header, wrap frames in bytes 255, follow each frame by a torn\n"
    "                     piece, send the header in lower case, or send reply frames or\n"
    "                     bytes without a header as fast as the terminal takes them\n"
    "  --stop-after S     stop answering after S seconds\n"
    "  --hangup-after S   hang up after S seconds ...\n"
    "  --return-after S   ... and come back S seconds later (default 5)\n"
    "  --schedule LIST    modes over time, e.g. 0:normal,10:silent,25:garbage,40:hangup\n"
    "                     (normal silent garbage bytes-255 torn lower-case hangup overload\n"
    "                     flood flood-garbage);\n"
    "                     overload puts a 0.1 ohm load on the output, so the supply limits\n"
    "                     at the set current and reports over-current (B) until the next\n"
    "                     mode brings back the --load\n";

bool parse_mode(const std::string& name, Mode& mode) {
    static const std::pair<const char*, Mode> names[] = {
        {"normal", Mode::Normal},   {"silent", Mode::Silent},
        {"garbage", Mode::Garbage}, {"bytes-255", Mode::Bytes255},
        {"torn", Mode::Torn},       {"lower-case", Mode::Lower},
        {"hangup", Mode::HangUp},   {"overload", Mode::Overload},
        {"flood", Mode::Flood},     {"flood-garbage", Mode::FloodGarbage}};
    for (const auto& [text, value] : names) {
        if (name == text) {
            mode = value;
            return true;
        }
    }
    return false;
}

[[noreturn]] void fail(const std::string& text) {
    std::fprintf(stderr, "kelvo-supply-sim: %s\n%s", text.c_str(), usage);
    std::exit(2);
}

double number(const char* text, const char* option) {
    char* end = nullptr;
    const double value = std::strtod(text, &end);
    if (end == text || *end != '\0' || value < 0) {
        fail(std::string("bad value for ") + option + ": " + text);
    }
    return value;
}

Options parse(int argc, char** argv) {
    Options o;
    auto start_with = [&o](Mode mode) { o.schedule = {{0, mode}}; };
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&]() -> const char* {
            if (i + 1 >= argc) {
                fail("missing value after " + a);
            }
            return argv[++i];
        };
        if (a == "--period") {
            o.period_ms = static_cast<int>(number(value(), "--period"));
            if (o.period_ms < 1) {
                fail("--period must be at least 1");
            }
        } else if (a == "--load") {
            o.load_ohms = number(value(), "--load");
        } else if (a == "--link") {
            o.link = value();
        } else if (a == "--record") {
            o.record = value();
        } else if (a == "--silent") {
            start_with(Mode::Silent);
        } else if (a == "--garbage") {
            start_with(Mode::Garbage);
        } else if (a == "--bytes-255") {
            start_with(Mode::Bytes255);
        } else if (a == "--torn") {
            start_with(Mode::Torn);
        } else if (a == "--lower-case") {
            start_with(Mode::Lower);
        } else if (a == "--flood") {
            start_with(Mode::Flood);
        } else if (a == "--flood-garbage") {
            start_with(Mode::FloodGarbage);
        } else if (a == "--stop-after") {
            o.schedule.push_back({number(value(), "--stop-after"), Mode::Silent});
        } else if (a == "--hangup-after") {
            o.schedule.push_back({number(value(), "--hangup-after"), Mode::HangUp});
        } else if (a == "--return-after") {
            o.hangup_for = number(value(), "--return-after");
        } else if (a == "--schedule") {
            o.schedule.clear();
            std::string list = value();
            std::size_t from = 0;
            while (from <= list.size()) {
                const std::size_t comma = std::min(list.find(',', from), list.size());
                const std::string item = list.substr(from, comma - from);
                const std::size_t colon = item.find(':');
                Mode mode{};
                if (colon == std::string::npos || !parse_mode(item.substr(colon + 1), mode)) {
                    fail("bad schedule entry: " + item);
                }
                o.schedule.push_back({number(item.substr(0, colon).c_str(), "--schedule"), mode});
                from = comma + 1;
            }
        } else if (a == "--help" || a == "-h") {
            std::fputs(usage, stdout);
            std::exit(0);
        } else {
            fail("unknown option " + a);
        }
    }
    return o;
}

volatile std::sig_atomic_t stop_requested = 0;

// The master side of a pseudo-terminal, with the slave kept open in raw mode so that the
// line discipline neither echoes nor edits, and the master never reads EIO while the
// program has the port closed.
struct Terminal {
    int master = -1;
    int slave = -1;
    std::string path;

    bool open_new() {
        master = posix_openpt(O_RDWR | O_NOCTTY);
        if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) {
            return false;
        }
        path = ptsname(master);
        slave = ::open(path.c_str(), O_RDWR | O_NOCTTY);
        if (slave < 0) {
            return false;
        }
        termios t{};
        tcgetattr(slave, &t);
        cfmakeraw(&t);
        cfsetispeed(&t, B9600);
        cfsetospeed(&t, B9600);
        tcsetattr(slave, TCSANOW, &t);
        fcntl(master, F_SETFL, O_NONBLOCK);
        return true;
    }
    void close_all() {
        if (slave >= 0) {
            ::close(slave);
        }
        if (master >= 0) {
            ::close(master);
        }
        master = slave = -1;
    }
};

void announce(const Terminal& terminal, const Options& o) {
    if (!o.link.empty()) {
        ::unlink(o.link.c_str());
        if (::symlink(terminal.path.c_str(), o.link.c_str()) != 0) {
            std::fprintf(stderr, "kelvo-supply-sim: cannot link %s: %s\n", o.link.c_str(),
                         std::strerror(errno));
        }
    }
    std::printf("%s\n", terminal.path.c_str());
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv) {
    const Options o = parse(argc, argv);
    std::signal(SIGINT, [](int) { stop_requested = 1; });
    std::signal(SIGTERM, [](int) { stop_requested = 1; });
    std::signal(SIGPIPE, SIG_IGN);

    FILE* record = nullptr;
    if (!o.record.empty()) {
        record = std::fopen(o.record.c_str(), "wb");
        if (record == nullptr) {
            fail("cannot write " + o.record + ": " + std::strerror(errno));
        }
    }

    Terminal terminal;
    if (!terminal.open_new()) {
        std::fprintf(stderr, "kelvo-supply-sim: cannot open a pseudo-terminal: %s\n",
                     std::strerror(errno));
        return 1;
    }
    announce(terminal, o);

    const auto started = Clock::now();
    auto seconds = [&] { return std::chrono::duration<double>(Clock::now() - started).count(); };
    std::size_t step = 0;
    Mode mode = o.schedule.empty() ? Mode::Normal : o.schedule.front().mode;
    double back_at = -1;
    CommandReader reader;
    Command command;
    std::mt19937 random(12345);
    auto next_reply = Clock::now();
    // While flooding: what is still to be written of the current block.
    std::string flood;
    std::size_t flooded = 0;

    while (stop_requested == 0) {
        while (step + 1 < o.schedule.size() && seconds() >= o.schedule[step + 1].at_seconds) {
            mode = o.schedule[++step].mode;
            if (mode == Mode::HangUp && terminal.master >= 0) {
                terminal.close_all();
                if (!o.link.empty()) {
                    ::unlink(o.link.c_str());
                }
                std::printf("hung up\n");
                std::fflush(stdout);
                back_at = seconds() + o.hangup_for;
            }
        }
        if (terminal.master < 0) {
            if (back_at >= 0 && seconds() >= back_at) {
                if (!terminal.open_new()) {
                    return 1;
                }
                announce(terminal, o);
                back_at = -1;
                mode = Mode::Normal;
            } else {
                ::usleep(20000);
                continue;
            }
        }

        const bool flooding = mode == Mode::Flood || mode == Mode::FloodGarbage;
        pollfd p{terminal.master, static_cast<short>(flooding ? POLLIN | POLLOUT : POLLIN), 0};
        const auto wait =
            std::chrono::duration_cast<std::chrono::milliseconds>(next_reply - Clock::now());
        // Flooding waits for room, or for the schedule's next look.
        ::poll(&p, 1, flooding ? 50 : static_cast<int>(std::clamp<long long>(wait.count(), 0, 50)));
        char buffer[512];
        const ssize_t got = ::read(terminal.master, buffer, sizeof buffer);
        if (got > 0) {
            if (record != nullptr) {
                std::fwrite(buffer, 1, static_cast<std::size_t>(got), record);
                std::fflush(record);
            }
            if (auto newest =
                    reader.feed(std::string_view(buffer, static_cast<std::size_t>(got)))) {
                command = *newest;
            }
        }
        if (flooding) {
            // Whole frames, block after block, as fast as the terminal takes them.
            if ((p.revents & POLLOUT) != 0) {
                if (flooded == flood.size()) {
                    flood.clear();
                    flooded = 0;
                    const std::string frame = reply_frame(measure(command, o.load_ohms));
                    while (flood.size() < 4096) {
                        flood += frame;
                    }
                    if (mode == Mode::FloodGarbage) {
                        for (char& c : flood) {
                            c = static_cast<char>('a' + random() % 26);
                        }
                    }
                }
                const ssize_t written =
                    ::write(terminal.master, flood.data() + flooded, flood.size() - flooded);
                if (written > 0) {
                    flooded += static_cast<std::size_t>(written);
                }
            }
            next_reply = Clock::now();
            continue;
        }
        if (Clock::now() < next_reply) {
            continue;
        }
        next_reply += std::chrono::milliseconds(o.period_ms);

        std::string out =
            reply_frame(measure(command, mode == Mode::Overload ? kOverloadOhms : o.load_ohms));
        switch (mode) {
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
                c = static_cast<char>('a' + random() % 26);
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
        if (!out.empty()) {
            const ssize_t written = ::write(terminal.master, out.data(), out.size());
            (void)written; // a full buffer drops the reply, as a busy line would
        }
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
