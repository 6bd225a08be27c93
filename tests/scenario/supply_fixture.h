// Form1 loaded on a fake window, with a supply that can be attached and made to answer.
#pragma once

#include "app/form1.h"
#include "fake/fake_platform.h"

#include <gtest/gtest.h>

#include <string>

namespace kelvo::testing {

class SupplyTest : public ::testing::Test {
protected:
    SupplyTest() { form.Form_Load(); }

    void tick(int times = 1) { ui.Timer1.tick(times); }
    // Up to and including the next display second (they come on every tenth tick).
    void second(int seconds = 1) { tick(10 * seconds); }

    // A reply frame as the supply sends it: readings in 10 mV and 1 mA, status W or B.
    static std::string reply(const std::string& volts, const std::string& amps, char status = 'W') {
        return "QZPPSU" + volts + "A" + amps + status;
    }
    void answer(const std::string& volts, const std::string& amps, char status = 'W') {
        ui.MSComm1.queue_read(reply(volts, amps, status));
    }

    // Opens COM2 on the first tick and reads a valid reply on the tenth: from then on the
    // supply counts as answering, and read and display seconds fall on the same ticks.
    void attach_supply(const std::string& volts = "0000", const std::string& amps = "0000") {
        ui.MSComm1.ports[2] = platform::OpenResult::Opened;
        answer(volts, amps);
        second();
        ASSERT_TRUE(form.device_connected);
    }

    char output_letter() const { return form.command_frame.back(); }

    fake::FakeForm ui;
    Form1 form{ui.controls()};
};

} // namespace kelvo::testing
