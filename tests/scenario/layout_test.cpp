#include "layout/layout_table.h"
#include "scenario/form_fixture.h"

#include <map>
#include <string_view>

namespace kelvo::testing {
namespace {

class LayoutTest : public NewFormTest {
protected:
    // The fake control behind each row of the layout table.
    fake::ControlState& control(std::string_view name) {
        const std::map<std::string_view, fake::ControlState*> by_name{
            {"Combo3", &fake.Combo3},
            {"Label5", &fake.Label5},
            {"Frame1", &fake.Frame1},
            {"Label1", &fake.Label1},
            {"Label2", &fake.Label2},
            {"Label3", &fake.Label3},
            {"Label4", &fake.Label4},
            {"Frame2", &fake.Frame2},
            {"Text1", &fake.Text1},
            {"Text2", &fake.Text2},
            {"Combo1", &fake.Combo1},
            {"Combo2", &fake.Combo2},
            {"Slider1", &fake.Slider1},
            {"Slider2", &fake.Slider2},
            {"Command1", &fake.Command1},
            {"Label6", &fake.Label6},
            {"Combo4", &fake.Combo4},
            {"Picture1(0)", &fake.Picture1_0},
            {"Picture1(1)", &fake.Picture1_1},
            {"Text3", &fake.Text3},
            {"DataGrid1", &fake.DataGrid1},
            {"Label7", &fake.Label7},
            {"Combo5", &fake.Combo5},
            {"Command4", &fake.Command4},
            {"Command5", &fake.Command5}};
        return *by_name.at(name);
    }

    void screen_pixels(double width, double height) { fake.screen.set_pixels(width, height); }
};

TEST_F(LayoutTest, DesignScreenPlacesEveryControlAtItsTableValues) {
    form.FBL_REV();
    EXPECT_EQ(form.screen_scale_x, 1.0f);
    EXPECT_EQ(form.screen_scale_y, 1.0f);
    for (const layout::Row& row : layout::kTable) {
        SCOPED_TRACE(std::string(row.control));
        const fake::ControlState& c = control(row.control);
        ASSERT_EQ(c.geometry_calls, 1);
        EXPECT_EQ(c.geometry->left, row.left);
        EXPECT_EQ(c.geometry->top, row.top);
        EXPECT_EQ(c.geometry->width, row.width);
        EXPECT_EQ(c.geometry->height, row.height);
        if (row.font_size) {
            EXPECT_EQ(c.font, *row.font_size);
        }
    }
}

TEST_F(LayoutTest, TableKeepsTheRunningWindowsValues) {
    // Where the running window differs from its design, these are what it shows.
    form.FBL_REV();
    EXPECT_EQ(fake.Label6.geometry->left, 2700);
    EXPECT_EQ(fake.Label6.geometry->top, 5280);
    EXPECT_EQ(fake.Label2.geometry->width, 1350);
    EXPECT_EQ(fake.Label1.geometry->height, 450);
    EXPECT_EQ(fake.Picture1_0.geometry->height, 3135);
    EXPECT_EQ(fake.Text3.geometry->height, 3135);
    EXPECT_EQ(fake.Combo3.font, 14);
    EXPECT_EQ(fake.Label5.font, 16);
    EXPECT_EQ(fake.Text1.font, 22);
    EXPECT_EQ(fake.Combo4.font, 10.5);
    // Lists take their height from their font; sliders keep theirs.
    EXPECT_FALSE(fake.Combo1.geometry->height);
    EXPECT_FALSE(fake.Combo5.geometry->height);
    EXPECT_EQ(fake.Slider1.font, 9);
    // Each text box lies over its list, 360 twips narrower.
    EXPECT_EQ(fake.Combo1.geometry->width - fake.Text1.geometry->width, 360);
    EXPECT_EQ(fake.Combo2.geometry->left, fake.Text2.geometry->left);
}

TEST_F(LayoutTest, HiddenAndDockedControlsAreLeftAlone) {
    screen_pixels(1920, 1080);
    form.FBL_REV();
    EXPECT_EQ(fake.Picture2.geometry_calls, 0);
    EXPECT_EQ(fake.Picture2.font, 9);
}

TEST_F(LayoutTest, FullHdScreenScalesEachDirectionOnItsOwn) {
    screen_pixels(1920, 1080);
    form.FBL_REV();
    EXPECT_EQ(form.screen_scale_x, 1.3333334f);
    EXPECT_EQ(form.screen_scale_y, 1.2f);
    const fake::Geometry& chart = *fake.Picture1_0.geometry;
    // Single-precision products: the window turns them into whole twips.
    EXPECT_FLOAT_EQ(chart.left, 8480);
    EXPECT_FLOAT_EQ(chart.top, 432);
    EXPECT_FLOAT_EQ(chart.width, 13300);
    EXPECT_FLOAT_EQ(*chart.height, 3762);
    EXPECT_FLOAT_EQ(fake.Picture1_0.font, 12);
    // Fonts follow the horizontal factor only.
    EXPECT_FLOAT_EQ(fake.Combo4.font, 14);
    EXPECT_FLOAT_EQ(fake.Command4.geometry->left, 25920);
}

TEST_F(LayoutTest, SmallScreenShrinksTheFonts) {
    screen_pixels(1024, 768);
    form.FBL_REV();
    EXPECT_NEAR(fake.Label1.font, 15.6, 0.05);
    EXPECT_NEAR(fake.Text2.font, 15.6, 0.05);
    EXPECT_NEAR(fake.Picture1_1.font, 6.4, 0.05);
    EXPECT_NEAR(fake.DataGrid1.font, 6.4, 0.05);
    EXPECT_FLOAT_EQ(fake.Frame2.geometry->top, 3600 * (768.0f / 900));
}

TEST_F(LayoutTest, RelayoutDoesNotTouchTheReportedFactors) {
    screen_pixels(1920, 1080);
    form.FBL_REV();
    EXPECT_EQ(form.last_scale_x, 0.0f);
    EXPECT_EQ(form.last_scale_y, 0.0f);
}

TEST_F(LayoutTest, SizeCheckReportsOnlyNewPixelSizes) {
    EXPECT_TRUE(form.FBL_PD()); // the stored factors start at 0
    EXPECT_EQ(form.last_scale_x, 1.0f);
    EXPECT_FALSE(form.FBL_PD());

    screen_pixels(1920, 1080);
    EXPECT_TRUE(form.FBL_PD());
    EXPECT_EQ(form.last_scale_x, 1.3333334f);
    EXPECT_EQ(form.last_scale_y, 1.2f);
    EXPECT_FALSE(form.FBL_PD());

    screen_pixels(1440, 900);
    EXPECT_TRUE(form.FBL_PD());
    EXPECT_FALSE(form.FBL_PD());

    // A new dots-per-inch setting alone: twips per pixel and the size in twips change
    // together and the pixel size stays.
    fake.screen.set_twips_per_pixel(12);
    EXPECT_EQ(fake.screen.width_tw, 1440 * 12);
    EXPECT_FALSE(form.FBL_PD());

    // One direction alone counts too.
    screen_pixels(1440, 1080);
    EXPECT_TRUE(form.FBL_PD());
}

TEST_F(LayoutTest, SizeCheckDoesNotLayOut) {
    screen_pixels(1920, 1080);
    form.FBL_PD();
    EXPECT_EQ(fake.Combo3.geometry_calls, 0);
}

} // namespace
} // namespace kelvo::testing
