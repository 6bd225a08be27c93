// English and Chinese captions: written at the display second's caption refresh and by the
// button actions, never by the choice of language itself.
#include "scenario/run_fixture.h"

#include <string>
#include <vector>

namespace kelvo::testing {
namespace {

constexpr const char* kChinese = "中文";

class Language : public RunFixture {
protected:
    void choose_chinese() { ui.Combo3.choose(0); }
    void choose_english() { ui.Combo3.choose(1); }

    void expect_english_captions() {
        EXPECT_EQ(ui.Frame1.caption(), "OUT");
        EXPECT_EQ(ui.Frame2.caption(), "SET");
        EXPECT_EQ(ui.Label6.caption(), "over current");
        EXPECT_EQ(ui.Label7.caption(), "Run Count");
        EXPECT_EQ(ui.StatusBar1.panel_text(3), "Version: 1.0");
    }
    void expect_chinese_captions() {
        EXPECT_EQ(ui.Frame1.caption(), "输出");
        EXPECT_EQ(ui.Frame2.caption(), "设置");
        EXPECT_EQ(ui.Label6.caption(), "过流保护");
        EXPECT_EQ(ui.Label7.caption(), "运行次数");
        EXPECT_EQ(ui.StatusBar1.panel_text(3), "版本号\xEF\xBC\x9A"
                                               "1.0");
    }
    void expect_buttons(const std::string& command1, const std::string& command4) {
        EXPECT_EQ(ui.Command1.caption(), command1);
        EXPECT_EQ(ui.Command4.caption(), command4);
    }
};

TEST_F(Language, ChineseCaptionsFollowAtTheNextDisplaySecondAndEnglishComesBack) {
    second();
    tick(3);
    choose_chinese();
    tick(6);
    expect_english_captions();
    EXPECT_EQ(ui.StatusBar1.panel_text(1), "communication:wait...");
    tick();
    expect_chinese_captions();
    EXPECT_EQ(ui.StatusBar1.panel_text(1), "communication:wait... ");
    expect_buttons("开", "开始");
    // Texts without a language stay as they are.
    EXPECT_EQ(ui.Label1.caption(), "U:");
    EXPECT_EQ(ui.Label3.caption(), "I:");
    EXPECT_EQ(ui.Label5.caption(), "中文/English");
    EXPECT_EQ(ui.StatusBar1.panel_text(2), "KELVO");

    tick(3);
    choose_english();
    tick(6);
    expect_chinese_captions();
    tick();
    expect_english_captions();
    EXPECT_EQ(ui.StatusBar1.panel_text(1), "communication:wait...");
    expect_buttons("ON", "RUN");
}

TEST_F(Language, ConnectionTextHasOneMoreTrailingBlankInChinese) {
    attach_supply();
    EXPECT_EQ(ui.StatusBar1.panel_text(1), "communication:connection is successful ");
    choose_chinese();
    second();
    EXPECT_EQ(ui.StatusBar1.panel_text(1), "communication:connection is successful  ");
    choose_english();
    second();
    EXPECT_EQ(ui.StatusBar1.panel_text(1), "communication:connection is successful ");
}

TEST_F(Language, ButtonCaptionsFollowTheOutputAndTheProgram) {
    ui.Adodc1.rows = {{1.0, 5.0, 1.0, 3.0}, {2.0, 10.0, 2.0, 2.0}};
    attach_supply();
    choose_chinese();
    ui.Command1.click();
    expect_buttons("关", "RUN"); // switching on writes only its own caption
    second();
    expect_buttons("关", "开始");
    run();
    expect_buttons("关", "停止");
    second();
    expect_buttons("关", "停止");

    choose_english();
    second();
    expect_buttons("OFF", "STOP");
    choose_chinese();
    ui.Command4.click();
    expect_buttons("开", "开始");
    second();
    expect_buttons("开", "开始");
}

TEST_F(Language, RefreshKeepsTheOverCurrentModesAndTheChoice) {
    const std::vector<std::string> modes{"Steady Output", "trip out"};
    ui.Combo4.choose(1);
    second(2);
    EXPECT_EQ(ui.Combo4.items, modes);
    EXPECT_EQ(ui.Combo4.selected_index(), 1);
    EXPECT_EQ(ui.Combo4.text(), "trip out");
    EXPECT_TRUE(form.trip_on_over_current);

    choose_chinese();
    form.trip_on_over_current = false; // selecting the choice again sets it from the index
    second();
    EXPECT_EQ(ui.Combo4.items, modes);
    EXPECT_EQ(ui.Combo4.selected_index(), 1);
    EXPECT_TRUE(form.trip_on_over_current);

    ui.Combo4.choose(0);
    second();
    EXPECT_EQ(ui.Combo4.items, modes);
    EXPECT_EQ(ui.Combo4.selected_index(), 0);
    EXPECT_FALSE(form.trip_on_over_current);
}

TEST_F(Language, TypingIntoTheLanguageFieldChangesNoCaption) {
    ui.Combo3.type_edit(kChinese);
    second(2);
    EXPECT_TRUE(form.english_mode);
    expect_english_captions();

    choose_chinese();
    ui.Combo3.type_edit("English");
    second();
    EXPECT_FALSE(form.english_mode);
    expect_chinese_captions();
}

TEST_F(Language, SwitchingOffInChineseSavesTheChinesePathLine) {
    attach_supply();
    choose_chinese();
    ui.Command1.click();
    second(2);
    ui.Command1.click();
    expect_buttons("开", "开始");
    const std::string path = "/prog/Record/2024351479.TXT";
    ASSERT_EQ(ui.files.files.count(path), 1u);
    const std::string& file = ui.files.files[path];
    const std::string last = "\r\n保存路径:" + path + "\r\n";
    ASSERT_GE(file.size(), last.size());
    EXPECT_EQ(file.substr(file.size() - last.size()), last);
    EXPECT_EQ(file.substr(0, 21), "KELVO\r\nVersion: 1.0\r\n"); // the header has no language
}

TEST_F(Language, RunEndingByItsCountInChineseSavesTheChinesePathLine) {
    ui.Adodc1.rows = {{1.0, 5.0, 1.0, 1.0}};
    attach_supply();
    choose_chinese();
    ui.Combo5.choose(2);
    run();
    second(2);
    ASSERT_FALSE(form.program_running);
    expect_buttons("开", "开始");
    ASSERT_EQ(ui.files.files.size(), 1u);
    const std::string& file = ui.files.files.begin()->second;
    EXPECT_NE(file.find("\r\n保存路径:/prog/Record/"), std::string::npos);
    EXPECT_EQ(file.find("Save Path:"), std::string::npos);
    EXPECT_EQ(ui.Text3.text() + "\r\n", file);
}

} // namespace
} // namespace kelvo::testing
