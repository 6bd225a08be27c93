// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim_options.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <utility>

namespace kelvo::sim {

namespace {

// The help as help2man reads it for the manual page.
const char* usage =
    "Usage: kelvo-supply-sim [options]\n"
    "\n"
    "A simulated programmable DC power supply on a pseudo-terminal, for trying and testing\n"
    "kelvo without hardware. It prints the path of its terminal, reads the command frames\n"
    "kelvo streams, models a resistive load and answers every period; the fault options make\n"
    "it misbehave as real links do. Point kelvo at it with\n"
    "KELVO_SERIAL_PORTS=PATH kelvo (the terminal becomes COM1) or kelvo --port PATH.\n"
    "\n"
    "Options:\n"
    "  -h, --help         show this help and exit\n"
    "  -v, --version      show the version and exit\n"
    "  --period MS        answer every MS milliseconds (default 200)\n"
    "  --load OHMS        resistive load on the output (default 10)\n"
    "  --cell MAH         a Li-ion cell of MAH mAh on the output instead of the load: it\n"
    "                     reads 3.0 V empty and 4.2 V full behind 0.2 ohm, fills with the\n"
    "                     charge the supply gives, and under constant voltage its current\n"
    "                     tapers as it fills\n"
    "  --cells N          N such cells in series (default 1)\n"
    "  --charged MAH      the cell starts with MAH mAh in it (default 0, empty)\n"
    "  --link PATH        also make PATH a link to the terminal (kept across hang-ups)\n"
    "  --record FILE      write every byte received from the program to FILE\n"
    "  --log-output FILE  write a line to FILE for the first command frame received and\n"
    "                     for each that switches the output or changes the set voltage:\n"
    "                     milliseconds since the Unix epoch, O (on) or N (off) and the\n"
    "                     frame's voltage and current codes, e.g. 1765253407123 O 0500 1000\n"
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
    "                     flood flood-garbage read-high);\n"
    "                     overload puts a 0.1 ohm load on the output, so the supply limits\n"
    "                     at the set current and reports over-current (B) until the next\n"
    "                     mode brings back the --load\n"
    "  --read-high V      while the output is on, read V volts (e.g. 1.5) above what the\n"
    "                     load takes: from the start, or with --schedule only while its\n"
    "                     read-high mode is in force (which reads 1 V high without this)\n"
    "\n"
    "Exit status:\n"
    "  0 when ended by a signal or after --help or --version, 1 when the terminal cannot be\n"
    "  opened, 2 for a wrong option or a --record FILE that cannot be written.\n"
    "  A --log-output FILE that cannot be written ends it with 2 as well.\n";

const char* version =
    "kelvo-supply-sim " KELVO_VERSION "\n"
    "Copyright (C) 2026 the KELVO developers.\n"
    "License GPLv3+: GNU GPL version 3 or later <https://gnu.org/licenses/gpl.html>.\n"
    "This is free software: you are free to change and redistribute it.\n"
    "There is NO WARRANTY, to the extent permitted by law.\n";

bool parse_mode(const std::string& name, Mode& mode) {
    static const std::pair<const char*, Mode> names[] = {
        {"normal", Mode::Normal},     {"silent", Mode::Silent},
        {"garbage", Mode::Garbage},   {"bytes-255", Mode::Bytes255},
        {"torn", Mode::Torn},         {"lower-case", Mode::Lower},
        {"hangup", Mode::HangUp},     {"overload", Mode::Overload},
        {"flood", Mode::Flood},       {"flood-garbage", Mode::FloodGarbage},
        {"read-high", Mode::ReadHigh}};
    for (const auto& [text, value] : names) {
        if (name == text) {
            mode = value;
            return true;
        }
    }
    return false;
}

double number(const char* text, const char* option) {
    char* end = nullptr;
    const double value = std::strtod(text, &end);
    if (end == text || *end != '\0' || value < 0) {
        fail(std::string("bad value for ") + option + ": " + text);
    }
    return value;
}

// The mode an option asks for from the start, if it is one of those.
std::optional<Mode> starting_mode(const std::string& option) {
    static const std::pair<const char*, Mode> options[] = {{"--silent", Mode::Silent},
                                                           {"--garbage", Mode::Garbage},
                                                           {"--bytes-255", Mode::Bytes255},
                                                           {"--torn", Mode::Torn},
                                                           {"--lower-case", Mode::Lower},
                                                           {"--flood", Mode::Flood},
                                                           {"--flood-garbage", Mode::FloodGarbage}};
    for (const auto& [text, mode] : options) {
        if (option == text) {
            return mode;
        }
    }
    return std::nullopt;
}

std::vector<Step> parse_schedule(const std::string& list) {
    std::vector<Step> schedule;
    std::size_t from = 0;
    while (from <= list.size()) {
        const std::size_t comma = std::min(list.find(',', from), list.size());
        const std::string item = list.substr(from, comma - from);
        const std::size_t colon = item.find(':');
        Mode mode{};
        if (colon == std::string::npos || !parse_mode(item.substr(colon + 1), mode)) {
            fail("bad schedule entry: " + item);
        }
        schedule.push_back({number(item.substr(0, colon).c_str(), "--schedule"), mode});
        from = comma + 1;
    }
    return schedule;
}

// Takes an option followed by a value, which value() reads; false if it is none of those.
template <typename Value> bool take_valued(const std::string& a, Value&& value, Options& o) {
    if (a == "--period") {
        o.period_ms = static_cast<int>(number(value(), "--period"));
        if (o.period_ms < 1) {
            fail("--period must be at least 1");
        }
    } else if (a == "--load") {
        o.load_ohms = number(value(), "--load");
    } else if (a == "--cell") {
        o.cell_mah = number(value(), "--cell");
        if (!(o.cell_mah > 0) || !std::isfinite(o.cell_mah)) {
            fail("--cell must be a capacity above 0 mAh");
        }
    } else if (a == "--cells") {
        const double cells = number(value(), "--cells");
        if (cells < 1 || cells > 7 || cells != std::floor(cells)) {
            fail("--cells must be a whole number from 1 to 7");
        }
        o.cells = static_cast<int>(cells);
    } else if (a == "--charged") {
        o.cell_charged_mah = number(value(), "--charged");
        if (!(o.cell_charged_mah >= 0) || !std::isfinite(o.cell_charged_mah)) {
            fail("--charged must be 0 mAh or more");
        }
    } else if (a == "--link") {
        o.link = value();
    } else if (a == "--record") {
        o.record = value();
    } else if (a == "--log-output") {
        o.log_output = value();
    } else if (a == "--read-high") {
        const char* text = value();
        o.read_high_volts = number(text, "--read-high");
        if (!std::isfinite(o.read_high_volts)) {
            fail(std::string("bad value for --read-high: ") + text);
        }
    } else if (a == "--stop-after") {
        o.schedule.push_back({number(value(), "--stop-after"), Mode::Silent});
    } else if (a == "--hangup-after") {
        o.schedule.push_back({number(value(), "--hangup-after"), Mode::HangUp});
    } else if (a == "--return-after") {
        o.hangup_for = number(value(), "--return-after");
    } else if (a == "--schedule") {
        o.schedule = parse_schedule(value());
    } else {
        return false;
    }
    return true;
}

} // namespace

[[noreturn]] void fail(const std::string& text) {
    std::fprintf(stderr, "kelvo-supply-sim: %s (kelvo-supply-sim --help lists the options)\n",
                 text.c_str());
    std::exit(2);
}

Options parse_options(int argc, char** argv) {
    Options o;
    bool read_high = false;
    bool listed = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        read_high = read_high || a == "--read-high";
        listed = listed || a == "--schedule";
        auto value = [&]() -> const char* {
            if (i + 1 >= argc) {
                fail("missing value after " + a);
            }
            return argv[++i];
        };
        if (const std::optional<Mode> mode = starting_mode(a)) {
            o.schedule = {{0, *mode}};
        } else if (a == "--help" || a == "-h") {
            std::fputs(usage, stdout);
            std::exit(0);
        } else if (a == "--version" || a == "-v") {
            std::fputs(version, stdout);
            std::exit(0);
        } else if (!take_valued(a, value, o)) {
            fail("unknown option " + a);
        }
    }
    o.read_high_from_start = read_high && !listed;
    return o;
}

} // namespace kelvo::sim
