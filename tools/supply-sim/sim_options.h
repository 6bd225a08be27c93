// The simulated supply's command line: how it answers and how it misbehaves over time.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

namespace kelvo::sim {

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
    FloodGarbage,
    ReadHigh
};

struct Step {
    double at_seconds;
    Mode mode;
};

struct Options {
    int period_ms = 200;
    double load_ohms = 10;
    std::string link;
    std::string record;
    std::string log_output;
    std::vector<Step> schedule{{0, Mode::Normal}};
    double hangup_for = 5;
    // How many volts the voltage reads high by: from the start when asked for without a
    // --schedule, otherwise while the schedule's read-high mode is in force.
    double read_high_volts = 1;
    bool read_high_from_start = false;
    // A rechargeable pack instead of the --load resistor: its capacity in mAh (0: none),
    // its cells and how full it starts.
    double cell_mah = 0;
    int cells = 1;
    double cell_charged_mah = 0;
};

// The options on the command line; a bad one ends the process with a complaint, and
// --help and --version end it after printing the help or the version.
Options parse_options(int argc, char** argv);

// Ends the process with exit code 2 after a one-line complaint.
[[noreturn]] void fail(const std::string& text);

} // namespace kelvo::sim
