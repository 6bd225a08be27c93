// qt/widgets/: the coarse window timer and the status bar with its three panels.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt/application.h"
#include "qt/widgets/widgets.h"

#include <QLabel>
#include <QStatusBar>
#include <QTimer>

#include <algorithm>

namespace kelvo::qt {

// ---- timers -------------------------------------------------------------------------------

QtTimer::QtTimer(QWidget* owner, int interval) : timer_(new QTimer(owner)) {
    QObject::connect(timer_, &QTimer::timeout, timer_, [this] { call(tick_); });
    timer_->start(interval);
}

void QtTimer::set_interval(int milliseconds) {
    timer_->setInterval(std::max(1, milliseconds));
}
int QtTimer::interval() const {
    return timer_->interval();
}

// ---- status bar ---------------------------------------------------------------------------

namespace {

// A panel 4920 twips wide that gives way down to 1440 twips.
class Panel final : public QLabel {
public:
    using QLabel::QLabel;
    QSize sizeHint() const override { return {px_x(4920), QLabel::sizeHint().height()}; }
    QSize minimumSizeHint() const override {
        return {px_x(1440), QLabel::minimumSizeHint().height()};
    }
};

} // namespace

QtStatusBar::QtStatusBar(QStatusBar* bar) {
    for (QLabel*& label : labels_) {
        label = new Panel(bar);
        label->setTextFormat(Qt::PlainText);
        label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        label->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
        bar->addWidget(label);
    }
}

void QtStatusBar::set_panel_text(int panel, const std::string& text) {
    if (panel < 1 || panel > 3) {
        return;
    }
    texts_.at(static_cast<std::size_t>(panel - 1)) = text;
    this->panel(panel)->setText(qstr(text));
}

std::string QtStatusBar::panel_text(int panel) const {
    if (panel < 1 || panel > 3) {
        return {};
    }
    return texts_.at(static_cast<std::size_t>(panel - 1));
}

} // namespace kelvo::qt
