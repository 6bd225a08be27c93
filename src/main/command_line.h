// main/: the program's command line, read before any window exists so that --help,
// --version, the exports and a wrong option need no display.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "limits/output_limits.h"
#include "link/port_option.h"
#include "remote/remote_option.h"

#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace kelvo::qt {

struct CommandLine {
    // Set when the program ends here: 0 after the help or the version, 2 for a wrong option
    // (told in one line).
    std::optional<int> exit_code;
    std::optional<PortOption> port;
    // RECORD [OUT] of --export-csv and of --export-events.
    std::optional<std::vector<std::string>> export_csv;
    std::optional<std::vector<std::string>> export_events;
    // RECORD of --report.
    std::optional<std::string> report;
    // Where remote control listens (--remote [ADDR:]PORT).
    std::optional<remote::RemoteOption> remote;
    // Remote control is announced with DNS-SD even on loopback (--announce).
    bool announce = false;
    // The limits given (--max-voltage, ..., --off-after-silence); the others are unset.
    OutputLimits output_limits;
};

// The arguments as main() has them; Qt's own window options (-platform, -style, ...) pass
// through for the QApplication. The help and the version go to `out`, complaints to `errors`.
CommandLine read_command_line(int argc, char** argv, std::ostream& out, std::ostream& errors);

// The limits for this run: those given on the command line in place of the same ones in
// force (from the limits file), the others as they are.
OutputLimits with_given_limits(const OutputLimits& in_force, const OutputLimits& given);

// "kelvo 1.0": the first line of --version.
std::string version_line();

} // namespace kelvo::qt
