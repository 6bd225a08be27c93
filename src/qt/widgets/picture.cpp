// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt/widgets/picture.h"
#include "qt/application.h"

#include <QApplication>
#include <QFontMetrics>
#include <QPaintEvent>
#include <QPainter>
#include <QPen>
#include <QResizeEvent>

#include <algorithm>

namespace kelvo::qt {

RetainedCanvas::RetainedCanvas(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

QImage& RetainedCanvas::image() {
    // What was drawn stays where it was; new area gets the back colour.
    const QSize wanted = size();
    if (image_.size() == wanted) {
        return image_;
    }
    if (wanted.isEmpty()) {
        image_ = QImage();
        return image_;
    }
    QImage resized(wanted, QImage::Format_RGB32);
    resized.fill(back_);
    if (!image_.isNull()) {
        QPainter painter(&resized);
        painter.drawImage(0, 0, image_);
    }
    image_ = std::move(resized);
    return image_;
}

void RetainedCanvas::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    painter.fillRect(event->rect(), back_);
    painter.drawImage(event->rect().topLeft(), image(), event->rect());
}

void RetainedCanvas::resizeEvent(QResizeEvent*) {
    image();
}

QtPictureBox::QtPictureBox(QWidget* parent) : WidgetControl(new RetainedCanvas(parent)) {
    // Charts are white on the system's button-text colour.
    widget()->set_back_color(QApplication::palette().color(QPalette::ButtonText));
    fore_ = Qt::white;
    QFont font = QApplication::font();
    font.setPointSizeF(9);
    widget()->setFont(font);
}

void QtPictureBox::cls() {
    widget()->image().fill(widget()->back_color());
    current_x_ = 0;
    current_y_ = 0;
    widget()->update();
}

void QtPictureBox::set_fore_color(platform::Color color) {
    fore_ = to_qcolor(color);
}

void QtPictureBox::line(float x1, float y1, float x2, float y2,
                        std::optional<platform::Color> color) {
    QImage& image = widget()->image();
    if (image.isNull()) {
        return;
    }
    QPainter painter(&image);
    QPen pen(color ? to_qcolor(*color) : fore_);
    pen.setWidth(width_);
    pen.setStyle(style_ == LineStyle::Dotted ? Qt::DotLine : Qt::SolidLine);
    pen.setCapStyle(Qt::FlatCap);
    painter.setPen(pen);
    painter.drawLine(QPoint(px_x(x1), px_y(y1)), QPoint(px_x(x2), px_y(y2)));
    current_x_ = x2;
    current_y_ = y2;
    widget()->update();
}

void QtPictureBox::print(const std::string& text) {
    const QFontMetrics metrics(widget()->font());
    QImage& image = widget()->image();
    if (!image.isNull()) {
        QPainter painter(&image);
        painter.setFont(widget()->font());
        painter.setPen(fore_);
        painter.drawText(QPoint(px_x(current_x_), px_y(current_y_) + metrics.ascent()), qstr(text));
        widget()->update();
    }
    current_x_ = 0;
    current_y_ += static_cast<float>(metrics.height() * twips_per_px_y());
}

void MonitorBox::cls() {
    lines_.clear();
    bytes_ = 0;
}

void MonitorBox::print(const std::string& text) {
    std::size_t length = std::min(text.size(), kMaxLineBytes);
    // A cut through a character of a text (a Chinese caption) goes back to its start; bytes
    // from the port are no text, and lose at most three more.
    for (int i = 0; i < 3 && length < text.size() && length > 0 &&
                    (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80;
         ++i) {
        --length;
    }
    lines_.emplace_back(text, 0, length);
    bytes_ += length + kLineCost;
    while (bytes_ > kMaxBytes) {
        bytes_ -= lines_.front().size() + kLineCost;
        lines_.pop_front();
    }
}

} // namespace kelvo::qt
