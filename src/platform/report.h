// platform/: how any part of the program tells the user something, or asks: through the
// window model's one queue of boxes, which also writes every report to the communication
// monitor.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace kelvo::platform {

enum class Severity {
    Note, // a line of the communication monitor only
    Box,  // the monitor line and a message box, queued behind any box on screen
};

class Reporter {
public:
    virtual ~Reporter() = default;
    // An empty title means none of its own.
    virtual void report(Severity severity, const std::string& text, const std::string& title) = 0;
    // Puts the question in the queue and returns at once; on_answer runs later with the
    // index of the button pressed. Nothing waits for the answer meanwhile. Enter presses
    // default_button: the safe answer to a question that destroys something.
    virtual void ask(const std::string& prompt, const std::string& title,
                     const std::vector<std::string>& buttons, int default_button,
                     std::function<void(int)> on_answer) = 0;
};

} // namespace kelvo::platform
