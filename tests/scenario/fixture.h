// Form1 loaded on a fake window, with a supply that can be attached and made to answer, and
// the command frame of every tick kept for tests that follow the wire.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/form1.h"
#include "fake/fake_platform.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

namespace kelvo::testing {

class SupplyTest : public ::testing::Test {
public:
    // The frame carrying these codes in "Steady Output" mode.
    static std::string frame(int volts_code, int amps_code, char output) {
        const auto four = [](int code) {
            const std::string digits = std::to_string(code);
            return std::string(4 - digits.size(), '0') + digits;
        };
        return "QZPPSU" + four(volts_code) + "H" + four(amps_code) + output;
    }

protected:
    using FrameRuns = std::vector<std::pair<std::string, int>>;

    SupplyTest() { form.Form_Load(); }

    // While `answering`, a reply is always waiting, so the link is never dropped.
    void tick(int times = 1) {
        for (int i = 0; i < times; ++i) {
            if (answering && ui.MSComm1.incoming.empty()) {
                answer(answer_volts, answer_amps, answer_status);
            }
            ui.clock.steady += 0.1;
            ui.Timer1.tick();
            frames.push_back(form.command_frame);
        }
    }
    // Up to and including the next display second (they come on every tenth tick).
    void second(int seconds = 1) { tick(10 * seconds); }

    void answer(const std::string& volts, const std::string& amps, char status = 'W') {
        ui.MSComm1.queue_read("QZPPSU" + volts + "A" + amps + status);
    }
    // Opens COM2 on the first tick and reads a valid reply on the tenth: from then on read
    // and display seconds fall on the same ticks.
    void attach_supply(const std::string& volts = "0000", const std::string& amps = "0000") {
        ui.MSComm1.ports[2] = platform::OpenResult::Opened;
        answer(volts, amps);
        second();
        ASSERT_TRUE(form.device_connected);
    }

    void run() {
        frames.clear();
        ui.Command4.click();
    }
    // The frames sent since the last run(), as (frame, ticks in a row).
    FrameRuns frame_runs() const {
        FrameRuns runs;
        for (const std::string& f : frames) {
            if (!runs.empty() && runs.back().first == f) {
                ++runs.back().second;
            } else {
                runs.emplace_back(f, 1);
            }
        }
        return runs;
    }
    char output_letter() const { return form.command_frame.back(); }
    // The record files saved (not the events files beside them).
    std::map<std::string, std::string> records() const {
        std::map<std::string, std::string> found;
        for (const auto& [path, bytes] : ui.files.files) {
            if (path.size() > 4 && path.compare(path.size() - 4, 4, ".TXT") == 0) {
                found.emplace(path, bytes);
            }
        }
        return found;
    }
    std::size_t record_count() const { return records().size(); }
    const std::string& last_prompt() const { return ui.message_box.shown.back().prompt; }

    fake::FakeForm ui;
    Form1 form{ui.controls()};
    bool answering = false;
    // What the supply answers while `answering`: 5.00 V, 1.000 A, no over-current.
    std::string answer_volts = "0500";
    std::string answer_amps = "1000";
    char answer_status = 'W';
    std::vector<std::string> frames;
};

} // namespace kelvo::testing
