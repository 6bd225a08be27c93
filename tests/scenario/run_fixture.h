// Form1 loaded on a fake window with a supply that keeps answering, and a record of the
// command frame after every tick: for step programs and captions, tick by tick.
#pragma once

#include "app/form1.h"
#include "fake/fake_platform.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace kelvo::testing {

class RunFixture : public ::testing::Test {
public:
    // The frame carrying these codes in "Steady Output" mode.
    static std::string frame(int volts_code, int amps_code, char output) {
        auto four = [](int code) {
            std::string digits = std::to_string(code);
            return std::string(4 - digits.size(), '0') + digits;
        };
        return "QZPPSU" + four(volts_code) + "H" + four(amps_code) + output;
    }

protected:
    using FrameRuns = std::vector<std::pair<std::string, int>>;

    static constexpr const char* kReply = "QZPPSU0500A1000W";

    RunFixture() { form.Form_Load(); }

    // COM2 opens on the first tick and the reply is read on the tenth, which is also a
    // display second: from then on both seconds fall on every tenth tick.
    void attach_supply() {
        ui.MSComm1.ports[2] = platform::OpenResult::Opened;
        tick(10);
        ASSERT_TRUE(form.device_connected);
    }

    // While `answering`, a reply is always waiting, so the link is never dropped.
    void tick(int times = 1) {
        for (int i = 0; i < times; ++i) {
            if (answering && ui.MSComm1.incoming.empty()) {
                ui.MSComm1.queue_read(kReply);
            }
            ui.Timer1.tick();
            frames.push_back(form.command_frame);
        }
    }
    void second(int seconds = 1) { tick(10 * seconds); }

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

    std::size_t record_files() const { return ui.files.files.size(); }

    fake::FakeForm ui;
    Form1 form{ui.controls()};
    bool answering = true;
    std::vector<std::string> frames;
};

} // namespace kelvo::testing
