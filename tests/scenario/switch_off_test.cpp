// Switching off comes first: every way the output goes off puts "N" on the wire before
// anything can wait, and a box never holds up the polling cycle.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "scenario/fixture.h"

#include <functional>
#include <vector>

namespace kelvo::testing {
namespace {

class SwitchOff : public SupplyTest {
protected:
    SwitchOff() {
        ui.Adodc1.rows = {{1.0, 5.0, 1.0, 2.0}};
        // Nothing can be saved anywhere: each switch-off ends in a box that stays up.
        ui.files.read_only = {"/prog", "/home/user/.local/share/kelvo"};
        ui.message_box.stay_open = true;
    }
    // The characters the send stream puts on the wire over `frames` whole frames.
    std::string wire(int frames) {
        ui.MSComm1.written.clear();
        ui.Timer2.tick(16 * frames);
        return ui.MSComm1.written;
    }
    static bool has_on_frame(const std::string& stream) {
        for (std::size_t at = stream.find("QZPPSU"); at != std::string::npos;
             at = stream.find("QZPPSU", at + 1)) {
            if (at + 15 < stream.size() && stream[at + 15] == 'O') {
                return true;
            }
        }
        return false;
    }
};

TEST_F(SwitchOff, EveryWayOffPutsNOnTheWireBeforeTheBoxAndNoOAfter) {
    struct Way {
        const char* name;
        std::function<void()> start;
        std::function<void()> stop;
    };
    const std::vector<Way> ways{
        {"OFF", [&] { ui.Command1.click(); }, [&] { ui.Command1.click(); }},
        {"STOP", [&] { ui.Command4.click(); }, [&] { ui.Command4.click(); }},
        {"end of the run count",
         [&] {
             ui.Combo5.choose(1);
             ui.Command4.click();
         },
         [&] {
             while (form.output_on) {
                 answer("0100", "0010");
                 tick();
             }
         }},
        {"trip",
         [&] {
             ui.Combo4.choose(1);
             ui.Command1.click();
         },
         [&] {
             answer("0500", "5100", 'B');
             while (form.output_on) {
                 tick();
             }
         }},
    };
    attach_supply();
    for (const Way& way : ways) {
        SCOPED_TRACE(way.name);
        ui.message_box.shown.clear();
        way.start();
        // The first switch-on says once that the period cannot be kept on disk.
        while (ui.message_box.open()) {
            ui.message_box.answer();
        }
        answer("0100", "0010");
        second();
        ASSERT_TRUE(form.output_on);
        ASSERT_TRUE(has_on_frame(wire(2)));

        way.stop();
        // The box is up, no polling tick has run since: the frame already says "N".
        ASSERT_TRUE(ui.message_box.open());
        EXPECT_EQ(ui.message_box.shown.back().title, "Record file error");
        EXPECT_EQ(form.command_frame.back(), 'N');
        // The rest of the frame under way, then only "N" frames.
        wire(1);
        EXPECT_FALSE(has_on_frame(wire(12)));
        answer("0000", "0000");
        second(3);
        EXPECT_FALSE(has_on_frame(wire(12)));
        ui.message_box.answer();
        ui.Combo4.choose(0);
        answer("0000", "0000", 'W');
        second();
    }
}

} // namespace
} // namespace kelvo::testing
