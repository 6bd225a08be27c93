// qt/widgets/: the text boxes, one-line entry fields and the record log, with positions
// counted in characters.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt/application.h"
#include "qt/widgets/widgets.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextCursor>

#include <algorithm>

namespace kelvo::qt {

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
    QObject::connect(widget(), &QLineEdit::textEdited, widget(), [this] { call(change_); });
}

void QtTextBox::set_text(const std::string& text) {
    widget()->setText(qstr(text));
    call(change_);
}

std::string QtTextBox::text() const {
    return utf8(widget()->text());
}

void QtTextBox::append_text(const std::string& text) {
    widget()->setText(widget()->text() + qstr(text));
    call(change_);
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

void QtLogBox::set_text(const std::string& text) {
    text_ = text;
    length_ = characters(text);
    widget()->setPlainText(displayed(text));
    call(change_);
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
    call(change_);
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

} // namespace kelvo::qt
