#include "platform/qt/widgets.h"
#include "platform/qt/application.h"
#include "platform/services.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSlider>
#include <QStatusBar>
#include <QTextCursor>
#include <QTimer>

#include <algorithm>

namespace kelvo::qt {

// ---- placement and fonts ------------------------------------------------------------------

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

QLabel* QtLabel::widget() const {
    return static_cast<QLabel*>(widget_);
}

void QtLabel::set_caption(const std::string& text) {
    caption_ = text;
    widget()->setText(qstr(text));
}

void QtLabel::set_centered() {
    widget()->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
}

QtFrame::QtFrame(QWidget* parent) : WidgetControl(new QGroupBox(parent)) {}

QGroupBox* QtFrame::widget() const {
    return static_cast<QGroupBox*>(widget_);
}

void QtFrame::set_caption(const std::string& text) {
    caption_ = text;
    widget()->setTitle(qstr(text));
}

// ---- buttons ------------------------------------------------------------------------------

QtButton::QtButton(QWidget* parent) : WidgetControl(new QPushButton(parent)) {
    face_ = widget()->palette().color(QPalette::Button);
    QObject::connect(widget(), &QPushButton::clicked, widget(), [this] {
        if (click_) {
            click_();
        }
    });
}

QPushButton* QtButton::widget() const {
    return static_cast<QPushButton*>(widget_);
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

void QtButton::set_enabled(bool enabled) {
    widget()->setEnabled(enabled);
}
bool QtButton::enabled() const {
    return widget()->isEnabled();
}

// ---- text positions -----------------------------------------------------------------------

namespace {

// Text positions count characters; Qt counts UTF-16 units.
std::size_t characters(const std::string& utf8_text) {
    return static_cast<std::size_t>(std::count_if(utf8_text.begin(), utf8_text.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0u) != 0x80u;
    }));
}

qsizetype utf16_position(const QString& text, std::size_t position) {
    qsizetype at = 0;
    for (std::size_t i = 0; i < position && at < text.size(); ++i) {
        at += text.at(at).isHighSurrogate() && at + 1 < text.size() ? 2 : 1;
    }
    return at;
}

} // namespace

// ---- one-line text boxes ------------------------------------------------------------------

QtTextBox::QtTextBox(QWidget* parent) : WidgetControl(new QLineEdit(parent)) {
    // textEdited comes from the user only; changes by code call the handler themselves.
    QObject::connect(widget(), &QLineEdit::textEdited, widget(), [this] { changed(); });
}

QLineEdit* QtTextBox::widget() const {
    return static_cast<QLineEdit*>(widget_);
}

void QtTextBox::changed() const {
    if (change_) {
        change_();
    }
}

void QtTextBox::set_text(const std::string& text) {
    widget()->setText(qstr(text));
    changed();
}

std::string QtTextBox::text() const {
    return utf8(widget()->text());
}

void QtTextBox::append_text(const std::string& text) {
    widget()->setText(widget()->text() + qstr(text));
    changed();
}

void QtTextBox::set_alignment_left() {
    widget()->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
}

std::size_t QtTextBox::text_length() const {
    return characters(text());
}

void QtTextBox::set_sel_start(std::size_t position) {
    widget()->setCursorPosition(static_cast<int>(utf16_position(widget()->text(), position)));
}

void QtTextBox::set_enabled(bool enabled) {
    widget()->setEnabled(enabled);
}
bool QtTextBox::enabled() const {
    return widget()->isEnabled();
}

// ---- the record log -----------------------------------------------------------------------

namespace {

// The display shows each CR LF as one line break.
QString displayed(const std::string& text) {
    QString shown = qstr(text);
    shown.remove(QLatin1Char('\r'));
    return shown;
}

} // namespace

QtLogBox::QtLogBox(QWidget* parent) : WidgetControl(new QPlainTextEdit(parent)) {
    widget()->setReadOnly(true);
    widget()->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    widget()->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    widget()->setUndoRedoEnabled(false);
    // A week at a line a second would cost the display over 400 MB; it shows the newest
    // lines and the whole log stays in text_, which is what is saved.
    widget()->setMaximumBlockCount(kShownLogLines);
}

QPlainTextEdit* QtLogBox::widget() const {
    return static_cast<QPlainTextEdit*>(widget_);
}

void QtLogBox::changed() const {
    if (change_) {
        change_();
    }
}

void QtLogBox::set_text(const std::string& text) {
    text_ = text;
    length_ = characters(text);
    widget()->setPlainText(displayed(text));
    changed();
}

void QtLogBox::append_text(const std::string& text) {
    text_ += text;
    length_ += characters(text);
    // A reader at the newest line stays there (the save-path line shows when the period
    // ends); one who has scrolled back is left where he is.
    QScrollBar* bar = widget()->verticalScrollBar();
    const bool following = bar->value() == bar->maximum();
    QTextCursor end(widget()->document());
    end.movePosition(QTextCursor::End);
    end.insertText(displayed(text));
    if (following) {
        bar->setValue(bar->maximum());
    }
    changed();
}

void QtLogBox::set_sel_start(std::size_t position) {
    // The caret goes where it is asked, but the view moves to it only for a reader who is
    // at the newest line: one who has scrolled back to read is left where he is.
    QScrollBar* bar = widget()->verticalScrollBar();
    const bool following = bar->value() == bar->maximum();
    const int kept = bar->value();
    QTextCursor caret(widget()->document());
    if (position >= length_) {
        caret.movePosition(QTextCursor::End);
    } else {
        // The display has no CR and may have let its oldest lines go: count the characters
        // before the position without CRs, less what the display no longer holds.
        const QString whole = qstr(text_);
        const qsizetype at = utf16_position(whole, position);
        const qsizetype shown_whole = whole.size() - whole.count(QLatin1Char('\r'));
        const qsizetype let_go = shown_whole - (widget()->document()->characterCount() - 1);
        const qsizetype shown_at = at - whole.left(at).count(QLatin1Char('\r')) - let_go;
        caret.setPosition(static_cast<int>(std::max<qsizetype>(shown_at, 0)));
    }
    widget()->setTextCursor(caret);
    if (following || position < length_) {
        widget()->ensureCursorVisible();
    } else {
        bar->setValue(kept);
    }
}

void QtLogBox::set_enabled(bool enabled) {
    widget()->setEnabled(enabled);
}
bool QtLogBox::enabled() const {
    return widget()->isEnabled();
}

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
    QObject::connect(combo, &QComboBox::activated, combo, [this] { clicked(); });
}

QComboBox* QtListBox::widget() const {
    return static_cast<QComboBox*>(widget_);
}

void QtListBox::clicked() const {
    if (click_) {
        click_();
    }
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
    clicked();
}

std::string QtListBox::text() const {
    return utf8(widget()->currentText());
}

void QtListBox::set_text(const std::string& text) {
    widget()->setEditText(qstr(text));
}

void QtListBox::set_enabled(bool enabled) {
    widget()->setEnabled(enabled);
}
bool QtListBox::enabled() const {
    return widget()->isEnabled();
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
    QObject::connect(widget(), &QSlider::valueChanged, widget(), [this] {
        if (change_) {
            change_();
        }
    });
}

QSlider* QtSlider::widget() const {
    return static_cast<QSlider*>(widget_);
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
void QtSlider::set_enabled(bool enabled) {
    widget()->setEnabled(enabled);
}
bool QtSlider::enabled() const {
    return widget()->isEnabled();
}

// ---- timers -------------------------------------------------------------------------------

QtTimer::QtTimer(QWidget* owner, int interval) : timer_(new QTimer(owner)) {
    QObject::connect(timer_, &QTimer::timeout, timer_, [this] {
        if (tick_) {
            tick_();
        }
    });
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
