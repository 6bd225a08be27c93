// The terminal the simulated supply talks through.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "sim_options.h"

#include <string>

namespace kelvo::sim {

// The master side of a pseudo-terminal, with the slave kept open in raw mode so that the
// line discipline neither echoes nor edits, and the master never reads EIO while the
// program has the port closed.
struct Terminal {
    int master = -1;
    int slave = -1;
    std::string path;

    bool open_new();
    void close_all();
};

// Prints the terminal's path for whoever started us, and links --link to it.
void announce(const Terminal& terminal, const Options& o);

} // namespace kelvo::sim
