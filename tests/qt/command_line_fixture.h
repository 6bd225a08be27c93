// The command line as main() hands it over, from a list of arguments after "kelvo": what it
// comes to and what it printed on each stream.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "main/command_line.h"

#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace kelvo::qt::testing {

struct ArgumentsRead {
    CommandLine line;
    std::string out;
    std::string errors;
};

inline ArgumentsRead read_arguments(std::vector<std::string> args) {
    args.insert(args.begin(), "kelvo");
    std::vector<char*> argv;
    argv.reserve(args.size());
    for (std::string& arg : args) {
        argv.push_back(arg.data());
    }
    std::ostringstream out;
    std::ostringstream errors;
    CommandLine line = read_command_line(static_cast<int>(argv.size()), argv.data(), out, errors);
    return {std::move(line), out.str(), errors.str()};
}

} // namespace kelvo::qt::testing
