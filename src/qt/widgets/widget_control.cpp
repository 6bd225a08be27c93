// qt/widgets/: placement in twips, faces, sizes and colours, and the switch that greys a
// control, shared by every control.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/services.h"
#include "qt/application.h"
#include "qt/widgets/widgets.h"

#include <QWidget>

#include <algorithm>

namespace kelvo::qt::detail {

template <class Interface>
void PlacedControl<Interface>::set_geometry(double left, double top, double width,
                                            std::optional<double> height) {
    const int h = height ? px_y(*height) : natural_height();
    widget_->setGeometry(px_x(left), px_y(top), std::max(0, px_x(width)), std::max(0, h));
}

template <class Interface> void PlacedControl<Interface>::set_font_size(double points) {
    points_ = points;
    QFont font = widget_->font();
    font.setPointSizeF(std::max(1.0, points));
    widget_->setFont(font);
    font_changed();
}

template <class Interface>
void PlacedControl<Interface>::set_face(const QString& family, double points) {
    QFont font = widget_->font();
    font.setFamily(family);
    font.setWeight(QFont::Normal);
    widget_->setFont(font);
    set_font_size(points);
}

template <class Interface> void PlacedControl<Interface>::set_text_color(const QColor& color) {
    QPalette palette = widget_->palette();
    palette.setColor(QPalette::WindowText, color);
    palette.setColor(QPalette::Text, color);
    widget_->setPalette(palette);
}

template <class Interface> int PlacedControl<Interface>::natural_height() const {
    return widget_->height();
}

template <class Interface> void SwitchableControl<Interface>::set_enabled(bool enabled) {
    this->base_widget()->setEnabled(enabled);
}

template <class Interface> bool SwitchableControl<Interface>::enabled() const {
    return this->base_widget()->isEnabled();
}

template class PlacedControl<platform::Label>;
template class PlacedControl<platform::Button>;
template class PlacedControl<platform::TextBox>;
template class PlacedControl<platform::ListBox>;
template class PlacedControl<platform::Slider>;
template class PlacedControl<platform::PictureBox>;
template class PlacedControl<platform::Grid>;

template class SwitchableControl<platform::Button>;
template class SwitchableControl<platform::TextBox>;
template class SwitchableControl<platform::ListBox>;
template class SwitchableControl<platform::Slider>;

} // namespace kelvo::qt::detail
