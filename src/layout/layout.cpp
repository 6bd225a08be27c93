#include "app/form1.h"
#include "layout/layout_table.h"

namespace kelvo {

float layout::scale_factor(double screen_twips, double twips_per_pixel, double design_pixels) {
    return static_cast<float>(screen_twips / twips_per_pixel / design_pixels);
}

namespace {

void compute_factors(Form1& form) {
    form.screen_scale_x =
        layout::scale_factor(form.Screen.width_twips(), form.Screen.twips_per_pixel_x(), 1440);
    form.screen_scale_y =
        layout::scale_factor(form.Screen.height_twips(), form.Screen.twips_per_pixel_y(), 900);
}

} // namespace

bool Form1::FBL_PD() {
    compute_factors(*this);
    if (last_scale_x == screen_scale_x && last_scale_y == screen_scale_y) {
        return false;
    }
    last_scale_x = screen_scale_x;
    last_scale_y = screen_scale_y;
    return true;
}

void Form1::FBL_REV() {
    compute_factors(*this);
    // The controls in the order of the layout table.
    const std::array<platform::Control*, layout::kRows> controls{
        &Combo3,   &Label5, &Frame1,   &Label1,     &Label2,     &Label3,  &Label4,
        &Frame2,   &Text1,  &Text2,    &Combo1,     &Combo2,     &Slider1, &Slider2,
        &Command1, &Label6, &Combo4,   Picture1[0], Picture1[1], &Text3,   &DataGrid1,
        &Label7,   &Combo5, &Command4, &Command5};
    const float sx = screen_scale_x;
    const float sy = screen_scale_y;
    for (std::size_t i = 0; i < layout::kRows; ++i) {
        const layout::Row& row = layout::kTable[i];
        std::optional<double> height;
        if (row.height) {
            height = static_cast<float>(*row.height) * sy;
        }
        controls[i]->set_geometry(static_cast<float>(row.left) * sx,
                                  static_cast<float>(row.top) * sy,
                                  static_cast<float>(row.width) * sx, height);
        if (row.font_size) {
            controls[i]->set_font_size(static_cast<float>(*row.font_size) * sx);
        }
    }
}

} // namespace kelvo
