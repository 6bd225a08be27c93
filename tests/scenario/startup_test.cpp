#include "scenario/form_fixture.h"

#include <string>
#include <vector>

namespace kelvo::testing {
namespace {

using StartupTest = LoadedFormTest;

TEST_F(StartupTest, FillsTheListsAndSelectsTheirFirstChoices) {
    ASSERT_EQ(fake.Combo1.item_count(), 32);
    EXPECT_EQ(fake.Combo1.items.front(), "0V");
    EXPECT_EQ(fake.Combo1.items.back(), "31V");
    EXPECT_EQ(fake.Combo1.selected, 0);

    ASSERT_EQ(fake.Combo2.item_count(), 52);
    EXPECT_EQ(fake.Combo2.items[0], "0A");
    EXPECT_EQ(fake.Combo2.items[1], "0.1A");
    EXPECT_EQ(fake.Combo2.items[10], "1A");
    EXPECT_EQ(fake.Combo2.items[11], "1.1A");
    EXPECT_EQ(fake.Combo2.items.back(), "5.1A");
    EXPECT_EQ(fake.Combo2.selected, 0);

    EXPECT_EQ(fake.Combo3.items, (std::vector<std::string>{"中文", "English"}));
    EXPECT_EQ(fake.Combo3.text(), "English");
    EXPECT_EQ(fake.Combo4.items, (std::vector<std::string>{"Steady Output", "trip out"}));
    EXPECT_EQ(fake.Combo4.text(), "Steady Output");

    ASSERT_EQ(fake.Combo5.item_count(), 101);
    EXPECT_EQ(fake.Combo5.items.front(), "x");
    EXPECT_EQ(fake.Combo5.items[1], "1");
    EXPECT_EQ(fake.Combo5.items.back(), "100");
    EXPECT_EQ(fake.Combo5.text(), "x");
}

TEST_F(StartupTest, SelectionHandlersSetTheStartingState) {
    EXPECT_EQ(fake.Text1.text(), "0V");
    EXPECT_EQ(form.voltage_text, "0V");
    EXPECT_EQ(form.set_voltage_code, 0);
    // The current preset only fills the box; the delayed commit accepts it later.
    EXPECT_EQ(fake.Text2.text(), "0A");
    EXPECT_EQ(form.current_text, "");
    EXPECT_EQ(form.set_current_code, 0);

    EXPECT_TRUE(form.english_mode);
    EXPECT_FALSE(form.trip_on_over_current);
    EXPECT_TRUE(form.run_forever);
    EXPECT_FALSE(form.output_on);
    EXPECT_FALSE(form.program_running);
    EXPECT_FALSE(form.device_connected);
    EXPECT_EQ(form.voltage_reading, "0000");
    EXPECT_EQ(form.current_reading, "0000");
    EXPECT_EQ(form.port_number, 0);
    EXPECT_FALSE(form.port_ready);
    EXPECT_EQ(form.chart_sample_index, 0);
    EXPECT_EQ(form.step_index, 0);
    EXPECT_EQ(form.step_seconds_left, 0);
    EXPECT_TRUE(fake.Text1.alignment_left);
    EXPECT_TRUE(fake.Text2.alignment_left);
}

TEST_F(StartupTest, PreparesTheWindowAndItsComponents) {
    EXPECT_EQ(fake.window.caption, "KELVO");
    EXPECT_TRUE(fake.window.border_sizable);
    EXPECT_EQ(fake.window.icon_path, "/prog/PPS.ico");
    EXPECT_EQ(fake.window.position, (std::pair<double, double>{0, 0}));
    EXPECT_TRUE(fake.window.maximized);

    EXPECT_EQ(fake.MSComm1.settings, "9600,N,8,1");
    EXPECT_FALSE(fake.MSComm1.is_open());
    EXPECT_TRUE(fake.MSComm1.open_attempts.empty());

    for (const fake::FakeSlider* slider : {&fake.Slider1, &fake.Slider2}) {
        EXPECT_EQ(slider->min, 0);
        EXPECT_EQ(slider->large_change, 1);
        EXPECT_TRUE(slider->vertical);
        EXPECT_TRUE(slider->no_border);
        EXPECT_TRUE(slider->manual_drag);
    }
    EXPECT_EQ(fake.Slider1.max, 3100);
    EXPECT_EQ(fake.Slider2.max, 5100);

    EXPECT_EQ(fake.Timer1.interval(), 100);
    EXPECT_EQ(fake.Timer2.interval(), 5);
    EXPECT_EQ(fake.Picture1_0.fore_color, platform::kWhite);
    EXPECT_EQ(fake.Picture1_1.fore_color, platform::kWhite);
}

TEST_F(StartupTest, BindsTheStepTableAndWritesTheFirstLog) {
    EXPECT_EQ(fake.Adodc1.database, "/prog/db1.mdb");
    EXPECT_EQ(fake.Adodc1.record_source, "QZ7150PPS1");
    EXPECT_EQ(fake.Adodc1.refreshes, 1);
    EXPECT_EQ(fake.DataGrid1.data_source, &fake.Adodc1);
    EXPECT_EQ(fake.DataGrid1.refreshes, 1);

    EXPECT_EQ(fake.Text3.text(), "KELVO\r\nVersion: 1.0\r\n");
    EXPECT_EQ(fake.Text3.history.front(), "");

    EXPECT_EQ(fake.StatusBar1.history,
              (std::vector<std::pair<int, std::string>>{{1, "communication:wait..."}}));
    EXPECT_EQ(fake.StatusBar1.panel_text(2), "KELVO");
    EXPECT_EQ(fake.StatusBar1.panel_text(3), "Version: 1.0");
}

TEST_F(StartupTest, ProgramFolderComesFromThePlatform) {
    fake::FakeForm other;
    other.files.folder = "/opt/kelvo/bin";
    Form1 elsewhere{other.controls()};
    elsewhere.Form_Load();
    EXPECT_EQ(other.window.icon_path, "/opt/kelvo/bin/PPS.ico");
    EXPECT_EQ(other.Adodc1.database, "/opt/kelvo/bin/db1.mdb");
}

using StartupOrderTest = NewFormTest;

TEST_F(StartupOrderTest, SelectionHandlersRunNestedInListOrder) {
    // Wrap the handlers Form1 wired, to see the state each one meets.
    std::vector<std::string> order;
    auto wrap = [&](fake::FakeListBox& list, std::string name, std::function<void()> check) {
        list.on_click([&order, name, check, original = list.click_handler] {
            order.push_back(name);
            check();
            original();
        });
    };
    wrap(fake.Combo1, "Combo1", [&] {
        EXPECT_EQ(fake.Combo1.item_count(), 32);
        EXPECT_FALSE(fake.Text1.alignment_left); // the box is filled before it is aligned
        EXPECT_EQ(fake.Combo2.item_count(), 0);
    });
    wrap(fake.Combo2, "Combo2", [&] {
        EXPECT_TRUE(fake.Text1.alignment_left);
        EXPECT_FALSE(fake.Text2.alignment_left);
        EXPECT_EQ(fake.Text1.text(), "0V");
    });
    wrap(fake.Combo3, "Combo3", [&] { EXPECT_FALSE(form.english_mode); });
    wrap(fake.Combo4, "Combo4", [&] {
        EXPECT_TRUE(form.english_mode);
        EXPECT_FALSE(form.run_forever);
    });
    wrap(fake.Combo5, "Combo5", [&] {
        EXPECT_EQ(fake.Combo4.selected, 0);
        EXPECT_EQ(fake.Timer1.interval(), 0); // timers are set after the lists
    });

    form.Form_Load();

    EXPECT_EQ(order, (std::vector<std::string>{"Combo1", "Combo2", "Combo3", "Combo4", "Combo5"}));
}

TEST_F(StartupOrderTest, LayoutRunsAfterMaximizingAndBeforeTheLists) {
    fake.Combo1.on_click([&, original = fake.Combo1.click_handler] {
        EXPECT_EQ(fake.Combo1.geometry_calls, 1);
        original();
    });
    form.Form_Load();
    EXPECT_TRUE(fake.window.maximized);
    EXPECT_EQ(form.screen_scale_x, 1.0f);
    EXPECT_EQ(form.last_scale_x, 0.0f); // left for the first polling tick to notice
}

using StartupFailureTest = NewFormTest;

TEST_F(StartupFailureTest, MissingIconStopsTheLoadStep) {
    fake.window.icon_error = "/prog/PPS.ico: No such file or directory";
    try {
        form.Form_Load();
        FAIL() << "the load step went on without its icon";
    } catch (const platform::StartupError& error) {
        EXPECT_STREQ(error.what(), "/prog/PPS.ico: No such file or directory");
    }
    // The steps before the icon ran, none after it.
    EXPECT_EQ(fake.window.caption, "KELVO");
    EXPECT_EQ(fake.MSComm1.settings, "9600,N,8,1");
    EXPECT_EQ(form.voltage_reading, "0000");
    EXPECT_FALSE(fake.window.maximized);
    EXPECT_EQ(fake.Combo3.geometry_calls, 0);
    EXPECT_EQ(fake.Combo1.item_count(), 0);
    EXPECT_EQ(fake.Adodc1.refreshes, 0);
    EXPECT_TRUE(fake.StatusBar1.history.empty());
}

TEST_F(StartupFailureTest, UnreadableDatabaseStopsTheLoadStep) {
    fake.Adodc1.refresh_error = "/prog/db1.mdb: no table QZ7150PPS1";
    EXPECT_THROW(form.Form_Load(), platform::StartupError);
    // Everything up to the refresh was done.
    EXPECT_EQ(fake.Combo5.item_count(), 101);
    EXPECT_EQ(fake.Timer2.interval(), 5);
    EXPECT_EQ(fake.Adodc1.record_source, "QZ7150PPS1");
    // The grid, the record log and the status bar were not reached.
    EXPECT_EQ(fake.DataGrid1.data_source, nullptr);
    EXPECT_TRUE(fake.Text3.history.empty());
    EXPECT_EQ(fake.Text3.text(), "Text3");
    EXPECT_TRUE(fake.StatusBar1.history.empty());
}

TEST_F(StartupTest, UnloadClosesAnOpenPort) {
    fake.MSComm1.ports[4] = platform::OpenResult::Opened;
    fake.MSComm1.set_port_number(4);
    ASSERT_EQ(fake.MSComm1.open(), platform::OpenResult::Opened);
    form.Form_Unload();
    EXPECT_FALSE(fake.MSComm1.is_open());
    EXPECT_EQ(fake.MSComm1.closes, 1);
}

TEST_F(StartupTest, UnloadLeavesAClosedPortAlone) {
    form.Form_Unload();
    EXPECT_EQ(fake.MSComm1.closes, 0);
}

} // namespace
} // namespace kelvo::testing
