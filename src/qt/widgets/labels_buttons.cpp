// qt/widgets/: labels, frames and buttons, the controls that show a caption.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt/application.h"
#include "qt/widgets/widgets.h"

#include <QFontInfo>
#include <QFontMetricsF>
#include <QGroupBox>
#include <QLabel>
#include <QPainter>
#include <QPushButton>

#include <algorithm>

namespace kelvo::qt {

// ---- labels and frames --------------------------------------------------------------------

namespace {

// A caption on one line, laid out as the window was designed: the design gives each
// label about one em of height, and the CJK faces' generous line spacing would push the
// text below the label's bottom edge. The baseline therefore sits at 0.86 em, and a
// caption a little wider than its label is narrowed to fit rather than cut off.
class Caption final : public QLabel {
public:
    using QLabel::QLabel;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setFont(font());
        painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled,
                                       QPalette::WindowText));
        const QFontMetricsF metrics(font());
        const double em = QFontInfo(font()).pixelSize();
        const double baseline = std::min(metrics.ascent(), 0.86 * em);
        const double width = metrics.horizontalAdvance(text());
        const double room = contentsRect().width();
        double left = contentsRect().left();
        if (width > room && width > 0) {
            painter.translate(left, 0);
            painter.scale(room / width, 1);
            left = 0;
        } else if ((alignment() & Qt::AlignHCenter) != 0) {
            left += (room - width) / 2;
        }
        painter.drawText(QPointF(left, contentsRect().top() + baseline), text());
    }
};

} // namespace

QtLabel::QtLabel(QWidget* parent) : WidgetControl(new Caption(parent)) {
    widget()->setTextFormat(Qt::PlainText);
    widget()->setAlignment(Qt::AlignLeft | Qt::AlignTop);
}

void QtLabel::set_caption(const std::string& text) {
    caption_ = text;
    widget()->setText(qstr(text));
    if (caption_set_) {
        caption_set_(caption_);
    }
}

void QtLabel::set_centered() {
    widget()->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
}

QtFrame::QtFrame(QWidget* parent) : WidgetControl(new QGroupBox(parent)) {}

void QtFrame::set_caption(const std::string& text) {
    caption_ = text;
    widget()->setTitle(qstr(text));
}

// ---- buttons ------------------------------------------------------------------------------

QtButton::QtButton(QWidget* parent) : WidgetControl(new QPushButton(parent)) {
    face_ = widget()->palette().color(QPalette::Button);
    QObject::connect(widget(), &QPushButton::clicked, widget(), [this] { call(click_); });
}

void QtButton::set_caption(const std::string& text) {
    caption_ = text;
    widget()->setText(qstr(text));
}

void QtButton::set_back_color(std::optional<platform::Color> color) {
    QPalette palette = widget()->palette();
    palette.setColor(QPalette::Button, color ? to_qcolor(*color) : face_);
    widget()->setPalette(palette);
}

} // namespace kelvo::qt
