// Switching off comes first: every way the output goes off puts "N" on the wire before
// anything can wait, a box never holds up the polling cycle, and closing the window with
// the output on asks, saves, and leaves the supply as the user said.
#include "scenario/supply_fixture.h"

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

TEST_F(SwitchOff, TheTripRecordAndReadingsGoOnUnderAnOpenBox) {
    attach_supply();
    ui.Combo4.choose(1);
    ui.clock.moment = {2026, 12, 7, 10, 0, 0};
    ui.Command1.click();
    ui.files.read_only.clear();
    form.show_message("something to read", "");
    ASSERT_TRUE(form.message_box_open());

    // Readings and record lines under the box.
    const std::size_t log_size = ui.Text3.text().size();
    answer("1234", "0567");
    second();
    EXPECT_EQ(ui.Label2.caption(), "12.34V");
    EXPECT_GT(ui.Text3.text().size(), log_size);

    // The trip under the box: off on the tick after the report, saved, and no second box.
    answer("0500", "5100", 'B');
    second();
    tick();
    EXPECT_FALSE(form.output_on);
    EXPECT_EQ(output_letter(), 'N');
    EXPECT_EQ(ui.files.files.size(), 1u);
    EXPECT_EQ(ui.message_box.shown.size(), 1u);
}

TEST_F(SwitchOff, TheRunningProgramKeepsItsTimeUnderAnOpenBox) {
    attach_supply();
    ui.files.read_only.clear();
    ui.Adodc1.rows = {{1.0, 5.0, 1.0, 2.0}, {2.0, 10.0, 2.0, 2.0}};
    ui.Combo5.choose(1);
    ui.Command4.click();
    form.show_message("something to read", "");
    second(2);
    EXPECT_EQ(form.step_index, 1);
    second(2);
    EXPECT_FALSE(form.program_running); // ended by the count, box or no box
    EXPECT_EQ(ui.files.files.size(), 1u);
}

class CloseWindow : public SupplyTest {
protected:
    CloseWindow() {
        // What the Qt window does with a close: ask the model, then unload it.
        ui.window.on_close = [this] {
            if (form.Form_QueryUnload()) {
                form.Form_Unload();
                closed = true;
            }
        };
        ui.message_box.stay_open = true;
    }
    void switched_on() {
        attach_supply("1234", "0567");
        ui.clock.moment = {2026, 12, 7, 9, 0, 0};
        ui.Command1.click();
        second(2);
        ui.MSComm1.written.clear();
    }
    bool closed = false;
};

TEST_F(CloseWindow, WithTheOutputOffClosesAtOnce) {
    attach_supply();
    ui.window.close();
    EXPECT_TRUE(closed);
    EXPECT_TRUE(ui.message_box.shown.empty());
    EXPECT_TRUE(ui.files.files.empty());
    EXPECT_FALSE(ui.MSComm1.open_now);
}

TEST_F(CloseWindow, SwitchOffAndSave) {
    switched_on();
    ui.window.close();
    ASSERT_FALSE(closed);
    ASSERT_EQ(ui.message_box.shown.size(), 1u);
    EXPECT_EQ(ui.message_box.shown[0].buttons.size(), 3u);
    second(); // the question waits; the supply is still read and logged
    EXPECT_TRUE(form.output_on);

    ui.message_box.answer(0);
    EXPECT_TRUE(closed);
    EXPECT_FALSE(form.output_on);
    EXPECT_EQ(ui.files.files.size(), 1u);
    // The supply heard a whole "N" frame before the port went.
    EXPECT_NE(ui.MSComm1.written.find("QZPPSU0000H0000N"), std::string::npos) << ui.MSComm1.written;
    EXPECT_FALSE(ui.MSComm1.open_now);
}

TEST_F(CloseWindow, LeaveOnAndSaveIsTheOnlyWayTheSupplyKeepsO) {
    switched_on();
    ui.window.close();
    ui.message_box.answer(1);
    EXPECT_TRUE(closed);
    EXPECT_TRUE(form.output_on);
    ASSERT_EQ(ui.files.files.size(), 1u);
    EXPECT_NE(ui.files.files.begin()->second.find("12.34V"), std::string::npos);
    EXPECT_EQ(ui.MSComm1.written.find('N'), std::string::npos);
    EXPECT_TRUE(ui.files.journals.empty());
}

TEST_F(CloseWindow, CancelKeepsEverythingRunning) {
    switched_on();
    ui.window.close();
    ui.window.close(); // a second press while the question is up asks nothing more
    EXPECT_EQ(ui.message_box.shown.size(), 1u);
    ui.message_box.answer(2);
    EXPECT_FALSE(closed);
    EXPECT_TRUE(form.output_on);
    EXPECT_TRUE(ui.files.files.empty());
    second();
    EXPECT_EQ(output_letter(), 'O');
    // And the next close asks again.
    ui.window.close();
    EXPECT_EQ(ui.message_box.shown.size(), 2u);
}

TEST_F(CloseWindow, AnyOtherEndSwitchesOffAndSaves) {
    switched_on();
    form.Form_Unload(); // the session ends: no question
    EXPECT_FALSE(form.output_on);
    EXPECT_EQ(ui.files.files.size(), 1u);
    EXPECT_NE(ui.MSComm1.written.find("QZPPSU0000H0000N"), std::string::npos);
}

} // namespace
} // namespace kelvo::testing
