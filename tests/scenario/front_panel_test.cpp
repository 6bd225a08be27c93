#include "scenario/form_fixture.h"

#include <stdexcept>

namespace kelvo::testing {
namespace {

using fake::FakeMessageBox;

constexpr const char* kVoltagePrompt = "Please enter 4 positive number less than 31";
constexpr const char* kVoltageTitle = "Setting Voltage data error";
constexpr const char* kCurrentPrompt = "Please enter 4 positive number less than 5.1";
constexpr const char* kCurrentTitle = "Setting Current data error";

using PresetListTest = LoadedFormTest;

TEST_F(PresetListTest, VoltagePresetTakesEffectAtOnce) {
    fake.Combo1.choose(31);
    EXPECT_EQ(fake.Text1.text(), "31V");
    EXPECT_EQ(form.voltage_text, "31V");
    EXPECT_EQ(form.set_voltage_code, 3100);
    EXPECT_TRUE(fake.message_box.shown.empty());
}

TEST_F(PresetListTest, SelectingFromCodeAndByTheUserBothRunTheHandler) {
    fake.Combo1.set_selected_index(12);
    EXPECT_EQ(form.set_voltage_code, 1200);
    fake.Combo1.choose(5);
    EXPECT_EQ(form.set_voltage_code, 500);

    // Selecting the same index again still runs it.
    fake.Text1.type("7V");
    fake.Combo1.set_selected_index(5);
    EXPECT_EQ(fake.Text1.text(), "5V");
}

TEST_F(PresetListTest, VoltageItemWithoutUnitGetsOne) {
    fake.Combo1.add_item("7.5");
    fake.Combo1.choose(32);
    EXPECT_EQ(fake.Text1.text(), "7.5V");
    EXPECT_EQ(form.set_voltage_code, 750);
}

TEST_F(PresetListTest, MalformedVoltageItemFallsBackSilently) {
    fake.Combo1.choose(12);
    fake.Combo1.add_item("12,5V");
    fake.Combo1.choose(32);
    EXPECT_EQ(fake.Text1.text(), "00.00V");
    EXPECT_EQ(form.set_voltage_code, 1200);
    EXPECT_EQ(form.voltage_text, "12V");
    EXPECT_TRUE(fake.message_box.shown.empty());
}

TEST_F(PresetListTest, CurrentPresetOnlyFillsTheBox) {
    fake.Combo2.choose(51);
    EXPECT_EQ(fake.Text2.text(), "5.1A");
    EXPECT_EQ(form.set_current_code, 0);
    EXPECT_EQ(form.current_text, "");
    fake.Combo2.set_selected_index(10);
    EXPECT_EQ(fake.Text2.text(), "1A");
}

TEST_F(PresetListTest, PresetsRestartTheEditDelay) {
    form.voltage_edit_idle_ticks = 40;
    form.current_edit_idle_ticks = 40;
    fake.Combo1.choose(3);
    EXPECT_EQ(form.voltage_edit_idle_ticks, 0);
    EXPECT_EQ(form.current_edit_idle_ticks, 40);
    fake.Combo2.choose(3);
    EXPECT_EQ(form.current_edit_idle_ticks, 0);
}

TEST_F(PresetListTest, TripModeFollowsTheIndex) {
    fake.Combo4.choose(1);
    EXPECT_TRUE(form.trip_on_over_current);
    fake.Combo4.choose(0);
    EXPECT_FALSE(form.trip_on_over_current);
    fake.Combo4.set_selected_index(1);
    EXPECT_TRUE(form.trip_on_over_current);
}

using LanguageListTest = LoadedFormTest;

TEST_F(LanguageListTest, ChoosingChineseAndBack) {
    fake.Combo3.choose(0);
    EXPECT_FALSE(form.english_mode);
    fake.Combo3.choose(1);
    EXPECT_TRUE(form.english_mode);
}

TEST_F(LanguageListTest, TypingInTheEditFieldChangesNothing) {
    fake.Combo3.type_edit("中文");
    EXPECT_TRUE(form.english_mode);
    EXPECT_EQ(fake.Combo3.clicks, 1); // the load step's selection only
}

TEST_F(LanguageListTest, OnlyTheExactChineseItemSelectsChinese) {
    fake.Combo3.add_item("中文 ");
    fake.Combo3.add_item("Chinese");
    fake.Combo3.choose(0);
    fake.Combo3.choose(2);
    EXPECT_TRUE(form.english_mode);
    fake.Combo3.choose(0);
    fake.Combo3.choose(3);
    EXPECT_TRUE(form.english_mode);
}

using RunCountTest = LoadedFormTest;

TEST_F(RunCountTest, ChosenCountsAndEndlessRuns) {
    fake.Combo5.choose(7);
    EXPECT_FALSE(form.run_forever);
    EXPECT_EQ(form.runs_left, 7);
    fake.Combo5.choose(100);
    EXPECT_EQ(form.runs_left, 100);
    // "x" repeats without end and leaves the count as it was.
    fake.Combo5.choose(0);
    EXPECT_TRUE(form.run_forever);
    EXPECT_EQ(form.runs_left, 100);
}

TEST_F(RunCountTest, ATypedTextCountsOnlyWhenItIsACount) {
    // Typing raises no Click; the count is read when the handler next runs.
    fake.Combo5.type_edit("32767");
    EXPECT_TRUE(form.run_forever);
    form.Combo5_Click();
    EXPECT_FALSE(form.run_forever);
    EXPECT_EQ(form.runs_left, 32767);
    // What is not a count changes nothing (RUN refuses it).
    for (const char* text : {"-3", "40000", "2.5", "abc", "0"}) {
        fake.Combo5.type_edit(text);
        form.Combo5_Click();
        EXPECT_EQ(form.runs_left, 32767) << text;
        EXPECT_FALSE(form.run_forever);
    }
}

using SetpointTest = LoadedFormTest;

TEST_F(SetpointTest, VoltageConversionRoundsHalfToEven) {
    const std::pair<const char*, int> cases[] = {
        {"31V", 3100}, {"31.00V", 3100}, {"30.99V", 3099}, {"12.345V", 1234}, {"0.015V", 2},
        {"0.005V", 0}, {"V", 0},         {".5V", 50},      {"5.V", 500},      {"12V", 1200}};
    for (const auto& [text, code] : cases) {
        form.SZDYZH(text);
        EXPECT_EQ(form.set_voltage_code, code) << text;
        EXPECT_EQ(form.voltage_text, text);
    }
    EXPECT_TRUE(fake.message_box.shown.empty());
}

TEST_F(SetpointTest, CurrentConversion) {
    const std::pair<const char*, int> cases[] = {
        {"5.1A", 5100}, {".0015A", 2}, {"1.234A", 1234}, {"0A", 0}, {"A", 0}};
    for (const auto& [text, code] : cases) {
        form.SZDLZH(text);
        EXPECT_EQ(form.set_current_code, code) << text;
        EXPECT_EQ(form.current_text, text);
    }
    EXPECT_TRUE(fake.message_box.shown.empty());
}

TEST_F(SetpointTest, VoltageOutOfRangeIsRefusedAndTheBoxRestored) {
    form.SZDYZH("12V");
    fake.Text1.type("31.01V");
    fake.message_box.stay_open = true;
    form.SZDYZH("31.01V");
    EXPECT_TRUE(form.message_box_open());
    EXPECT_EQ(fake.Text1.text(), "12V"); // restored while the box is still up
    fake.message_box.answer();
    ASSERT_EQ(fake.message_box.shown.size(), 1u);
    EXPECT_EQ(fake.message_box.shown[0].prompt, kVoltagePrompt);
    EXPECT_EQ(fake.message_box.shown[0].title, kVoltageTitle);
    EXPECT_EQ(fake.Text1.text(), "12V");
    EXPECT_EQ(form.voltage_text, "12V");
    EXPECT_EQ(form.set_voltage_code, 1200);
    EXPECT_FALSE(form.message_box_open());
}

TEST_F(SetpointTest, NegativeVoltageIsRefused) {
    form.SZDYZH("-1V");
    ASSERT_EQ(fake.message_box.shown.size(), 1u);
    EXPECT_EQ(fake.message_box.shown[0].prompt, kVoltagePrompt);
    EXPECT_EQ(form.set_voltage_code, 0);
    EXPECT_EQ(fake.Text1.text(), "0V");
}

TEST_F(SetpointTest, CurrentOutOfRangeIsRefusedAndTheBoxRestored) {
    form.SZDLZH("2A");
    fake.Text2.type("5.101A");
    form.SZDLZH("5.101A");
    ASSERT_EQ(fake.message_box.shown.size(), 1u);
    EXPECT_EQ(fake.message_box.shown[0].prompt, kCurrentPrompt);
    EXPECT_EQ(fake.message_box.shown[0].title, kCurrentTitle);
    EXPECT_EQ(fake.Text2.text(), "2A");
    EXPECT_EQ(form.current_text, "2A");
    EXPECT_EQ(form.set_current_code, 2000);
}

TEST_F(SetpointTest, RefusalBeforeAnyAcceptedCurrentEmptiesTheBox) {
    // current_text is still empty right after start-up.
    form.SZDLZH("9A");
    EXPECT_EQ(fake.Text2.text(), "");
    EXPECT_EQ(form.set_current_code, 0);
}

TEST_F(SetpointTest, EveryChangeOfABoxRestartsItsOwnDelay) {
    form.voltage_edit_idle_ticks = 50;
    form.current_edit_idle_ticks = 60;
    fake.Text1.type("1");
    EXPECT_EQ(form.voltage_edit_idle_ticks, 0);
    EXPECT_EQ(form.current_edit_idle_ticks, 60);
    fake.Text2.set_text("2A"); // from code counts too
    EXPECT_EQ(form.current_edit_idle_ticks, 0);

    // So does the restore after a refusal.
    form.voltage_edit_idle_ticks = 50;
    form.SZDYZH("40V");
    EXPECT_EQ(form.voltage_edit_idle_ticks, 0);
}

using MessageBoxTest = LoadedFormTest;

TEST_F(MessageBoxTest, OneBoxAtATimeTheSameReportOnlyCounted) {
    fake.message_box.stay_open = true;
    form.show_message("link lost", "");
    form.show_message("second", "T");
    form.show_message("link lost", "");
    form.show_message("link lost", "");
    form.show_message("second", "T");
    ASSERT_EQ(fake.message_box.shown.size(), 1u);
    EXPECT_EQ(fake.message_box.shown[0].prompt, "link lost");
    EXPECT_NE(fake.message_box.on_screen.find("3 times"), std::string::npos)
        << fake.message_box.on_screen;
    EXPECT_EQ(form.reports_waiting(), 2u);

    fake.message_box.answer();
    ASSERT_EQ(fake.message_box.shown.size(), 2u);
    EXPECT_EQ(fake.message_box.shown[1].title, "T");
    EXPECT_NE(fake.message_box.shown[1].prompt.find("2 times"), std::string::npos);
    fake.message_box.answer();
    EXPECT_FALSE(form.message_box_open());
    EXPECT_EQ(form.reports_waiting(), 0u);

    // Answered: the same report later is a box of its own again.
    form.show_message("link lost", "");
    EXPECT_EQ(fake.message_box.shown.size(), 3u);
    EXPECT_EQ(fake.message_box.shown[2].prompt, "link lost");
}

TEST_F(MessageBoxTest, AQuestionWaitsItsTurnAndHearsItsOwnAnswer) {
    fake.message_box.stay_open = true;
    form.show_message("first", "");
    int heard = -1;
    form.ask("sure?", "Q", {"Yes", "No"}, [&](int answer) { heard = answer; });
    EXPECT_EQ(fake.message_box.shown.size(), 1u);
    fake.message_box.answer();
    ASSERT_EQ(fake.message_box.shown.size(), 2u);
    EXPECT_EQ(fake.message_box.shown[1].buttons, (std::vector<std::string>{"Yes", "No"}));
    EXPECT_EQ(heard, -1);
    fake.message_box.answer(1);
    EXPECT_EQ(heard, 1);
}

TEST_F(MessageBoxTest, AFailingBoxDoesNotStayOpen) {
    struct Failing : fake::FakeMessageBox {
        void show(const std::string&, const std::string&, const std::vector<std::string>&,
                  std::function<void(int)>) override {
            throw std::runtime_error("no display");
        }
    } failing;
    fake::FakeForm ui;
    platform::FormControls c = ui.controls();
    Form1 other{{c.window,     c.Label1,   c.Label2,   c.Label3,   c.Label4,     c.Label5,
                 c.Label6,     c.Label7,   c.Frame1,   c.Frame2,   c.Text1,      c.Text2,
                 c.Text3,      c.Combo1,   c.Combo2,   c.Combo3,   c.Combo4,     c.Combo5,
                 c.Slider1,    c.Slider2,  c.Command1, c.Command4, c.Command5,   c.Picture1_0,
                 c.Picture1_1, c.Picture2, c.Timer1,   c.Timer2,   c.StatusBar1, c.DataGrid1,
                 c.Adodc1,     c.MSComm1,  c.screen,   c.clock,    failing,      c.files}};
    EXPECT_THROW(other.show_message("x", ""), std::runtime_error);
    EXPECT_FALSE(other.message_box_open());
    EXPECT_EQ(other.reports_waiting(), 0u);
}

} // namespace
} // namespace kelvo::testing
