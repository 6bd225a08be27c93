// qt/widgets/: placement in twips, faces, sizes and colours, shared by every control.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/services.h"
#include "qt/application.h"
#include "qt/widgets/widgets.h"

#include <QWidget>

#include <algorithm>

namespace kelvo::qt {

template <class Interface>
void WidgetControl<Interface>::set_geometry(double left, double top, double width,
                                            std::optional<double> height) {
    const int h = height ? px_y(*height) : natural_height();
    widget_->setGeometry(px_x(left), px_y(top), std::max(0, px_x(width)), std::max(0, h));
}

template <class Interface> void WidgetControl<Interface>::set_font_size(double points) {
    points_ = points;
    QFont font = widget_->font();
    font.setPointSizeF(std::max(1.0, points));
    widget_->setFont(font);
    font_changed();
}

template <class Interface>
void WidgetControl<Interface>::set_face(const QString& family, double points) {
    QFont font = widget_->font();
    font.setFamily(family);
    font.setWeight(QFont::Normal);
    widget_->setFont(font);
    set_font_size(points);
}

template <class Interface> void WidgetControl<Interface>::set_text_color(const QColor& color) {
    QPalette palette = widget_->palette();
    palette.setColor(QPalette::WindowText, color);
    palette.setColor(QPalette::Text, color);
    widget_->setPalette(palette);
}

template <class Interface> int WidgetControl<Interface>::natural_height() const {
    return widget_->height();
}

template class WidgetControl<platform::Label>;
template class WidgetControl<platform::Button>;
template class WidgetControl<platform::TextBox>;
template class WidgetControl<platform::ListBox>;
template class WidgetControl<platform::Slider>;
template class WidgetControl<platform::PictureBox>;
template class WidgetControl<platform::Grid>;

} // namespace kelvo::qt
