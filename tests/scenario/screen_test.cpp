// What the window shows: captions in either language, the layout at the screen's scale,
// and the live charts with their sweep.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "scenario/fixture.h"

namespace kelvo::testing {
namespace {

using Screen = SupplyTest;

TEST_F(Screen, ChineseCaptionsFollowAtTheNextDisplaySecondAndNameTheSavePath) {
    attach_supply();
    tick(3);
    ui.Combo3.choose(0);
    tick(6);
    EXPECT_EQ(ui.Frame1.caption(), "OUT");
    tick();
    EXPECT_EQ(ui.Frame1.caption(), "输出");
    EXPECT_EQ(ui.Label7.caption(), "运行次数");
    EXPECT_EQ(ui.Command4.caption(), "开始");
    ui.Command1.click();
    second(2);
    ui.Command1.click();
    const std::string& file = ui.files.files.begin()->second;
    EXPECT_NE(file.find("\r\n保存路径:/prog/Record/"), std::string::npos) << file;
    ui.Combo3.choose(1);
    second();
    EXPECT_EQ(ui.Frame1.caption(), "OUT");
    EXPECT_EQ(ui.Command1.caption(), "ON");
}

TEST_F(Screen, LayoutScalesEachDirectionOnItsOwn) {
    ui.screen.set_pixels(1920, 1080);
    EXPECT_TRUE(form.FBL_PD());
    form.FBL_REV();
    EXPECT_EQ(form.screen_scale_x, 1.3333334f);
    EXPECT_EQ(form.screen_scale_y, 1.2f);
    const fake::Geometry& chart = ui.Picture1_0.geometry.value();
    EXPECT_FLOAT_EQ(chart.left, 8480);
    EXPECT_FLOAT_EQ(chart.top, 432);
    EXPECT_FLOAT_EQ(chart.width, 13300);
    EXPECT_FLOAT_EQ(chart.height.value(), 3762);
    EXPECT_FLOAT_EQ(ui.Combo4.font, 14); // fonts follow the horizontal factor only
}

TEST_F(Screen, TheLayoutPlacesByItsOwnFiguresWhereTheyDifferFromTheDesign) {
    // At 1440 x 900 both factors are 1: each control gets the layout's figures as they are.
    const auto expect_at = [](const fake::ControlState& control, double left, double top,
                              double width, double height) {
        const fake::Geometry& at = control.geometry.value();
        EXPECT_EQ(at.left, left);
        EXPECT_EQ(at.top, top);
        EXPECT_EQ(at.width, width);
        EXPECT_EQ(at.height, height);
    };
    expect_at(ui.Label1, 360, 720, 615, 450);
    expect_at(ui.Label2, 960, 720, 1350, 450);
    expect_at(ui.Label4, 3600, 720, 1695, 450);
    expect_at(ui.Label6, 2700, 5280, 2895, 375);
    expect_at(ui.Picture1_0, 6360, 360, 9975, 3135);
    expect_at(ui.Text3, 6360, 7440, 9975, 3135);
    EXPECT_FALSE(ui.Combo3.geometry.value().height); // a list's height follows its font
    EXPECT_EQ(ui.Label1.font, 22);
    EXPECT_EQ(ui.Label5.font, 16);
    EXPECT_EQ(ui.Combo3.font, 14);
    EXPECT_EQ(ui.Command5.font, 9);
}

// The line that ends segment n of a chart: from its right end back to its left, at y.
void expect_segment(const fake::FakePictureBox& box, int n, float y) {
    SCOPED_TRACE("segment " + std::to_string(n));
    const auto at = static_cast<std::size_t>(6 + 11 + 2 * n - 1);
    ASSERT_GT(box.lines.size(), at);
    EXPECT_FLOAT_EQ(box.lines[at].x1, static_cast<float>(700 + 80 * n));
    EXPECT_FLOAT_EQ(box.lines[at].x2, static_cast<float>(700 + 80 * (n - 1)));
    EXPECT_FLOAT_EQ(box.lines[at].y1, y);
}

TEST_F(Screen, ChartTraceIsAStaircaseThatStartsAgainAfterAHundredSeconds) {
    attach_supply();
    answering = true;
    ui.Command1.click();
    second();
    ASSERT_EQ(form.chart_sample_index, 1);
    answer("3099", "5100");
    second();
    expect_segment(ui.Picture1_0, 1, 1260.4f);
    expect_segment(ui.Picture1_1, 1, 460);
    second();
    expect_segment(ui.Picture1_0, 2, 2300); // 5 V
    second(97);
    EXPECT_EQ(form.chart_sample_index, 100);
    second();
    EXPECT_EQ(form.chart_sample_index, 0);
}

} // namespace
} // namespace kelvo::testing
