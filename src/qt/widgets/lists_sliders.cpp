// qt/widgets/: the drop-down lists and the sliders, the controls that choose a value.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt/application.h"
#include "qt/widgets/widgets.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QEvent>
#include <QFontInfo>
#include <QKeyEvent>
#include <QLineEdit>
#include <QSlider>

#include <algorithm>

namespace kelvo::qt {

// ---- lists --------------------------------------------------------------------------------

namespace {

// Enter in a list's edit field chooses nothing.
class SwallowEnter final : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            auto* combo = qobject_cast<QComboBox*>(parent());
            const bool popup_open = combo != nullptr && combo->view()->isVisible();
            if ((key == Qt::Key_Return || key == Qt::Key_Enter) && !popup_open) {
                return true;
            }
        }
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

QtListBox::QtListBox(QWidget* parent) : WidgetControl(new QComboBox(parent)) {
    QComboBox* combo = widget();
    combo->setEditable(true);
    combo->setInsertPolicy(QComboBox::NoInsert);
    combo->setCompleter(nullptr);
    combo->setMaxVisibleItems(8);
    auto* filter = new SwallowEnter(combo);
    combo->installEventFilter(filter);
    combo->lineEdit()->installEventFilter(filter);
    // Leaving the edit field makes Qt choose the item that matches the typed text and
    // report it as a choice ("7V" and Tab would set 7 V). Typing chooses nothing here.
    QObject::disconnect(combo->lineEdit(), &QLineEdit::editingFinished, combo, nullptr);
    QObject::connect(combo, &QComboBox::activated, combo, [this] { call(click_); });
}

void QtListBox::add_item(const std::string& text) {
    QComboBox* combo = widget();
    const int before = combo->currentIndex();
    const QString edit = combo->currentText();
    combo->addItem(qstr(text));
    // Adding the first item would select it; a list keeps "nothing chosen" and its text.
    if (before < 0 && combo->currentIndex() >= 0) {
        combo->setCurrentIndex(-1);
        combo->setEditText(edit);
    }
}

void QtListBox::clear() {
    widget()->clear();
    widget()->setEditText(QString());
}

int QtListBox::item_count() const {
    return widget()->count();
}

std::string QtListBox::item_text(int index) const {
    return utf8(widget()->itemText(index));
}

int QtListBox::selected_index() const {
    return widget()->currentIndex();
}

void QtListBox::set_selected_index(int index) {
    QComboBox* combo = widget();
    combo->setCurrentIndex(index);
    // Choosing the current item again still shows its text.
    if (index >= 0 && index < combo->count()) {
        combo->setEditText(combo->itemText(index));
    }
    call(click_);
}

std::string QtListBox::text() const {
    return utf8(widget()->currentText());
}

void QtListBox::set_text(const std::string& text) {
    widget()->setEditText(qstr(text));
}

// A list is as tall as its font's em and a small margin, as the design reckons it.
int QtListBox::natural_height() const {
    return QFontInfo(widget()->font()).pixelSize() + 8;
}

void QtListBox::font_changed() {
    QComboBox* combo = widget();
    combo->resize(combo->width(), natural_height());
}

// ---- sliders ------------------------------------------------------------------------------

QtSlider::QtSlider(QWidget* parent) : WidgetControl(new QSlider(parent)) {
    widget()->setTickPosition(QSlider::TicksRight);
    QObject::connect(widget(), &QSlider::valueChanged, widget(), [this] { call(change_); });
}

void QtSlider::set_large_change(int step) {
    widget()->setPageStep(step);
}
void QtSlider::set_maximum(int value) {
    widget()->setMaximum(value);
    widget()->setTickInterval(std::max(1, (widget()->maximum() - widget()->minimum()) / 31));
}
void QtSlider::set_minimum(int value) {
    widget()->setMinimum(value);
}
int QtSlider::maximum() const {
    return widget()->maximum();
}
int QtSlider::minimum() const {
    return widget()->minimum();
}

void QtSlider::set_vertical() {
    // Upright, and up means more: the way a bench user expects a level to move.
    widget()->setOrientation(Qt::Vertical);
}

int QtSlider::value() const {
    return widget()->value();
}
void QtSlider::set_value(int value) {
    widget()->setValue(value);
}

} // namespace kelvo::qt
