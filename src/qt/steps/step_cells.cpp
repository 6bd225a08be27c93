// qt/steps/: the step grid's cell editors: numbers, and choices among a few words.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt/steps/step_cells.h"
#include "program/step_condition.h"
#include "qt/steps/step_model.h"

#include <QComboBox>
#include <QLineEdit>
#include <QLocale>
#include <QRegularExpressionValidator>

#include <utility>

namespace kelvo::qt {

namespace {

QString number_text(double value) {
    return QLocale::c().toString(value, 'f', QLocale::FloatingPointShortest);
}

} // namespace

QWidget* NumberDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&,
                                      const QModelIndex&) const {
    auto* editor = new QLineEdit(parent);
    editor->setFrame(false);
    static const QRegularExpression number(QStringLiteral("-?[0-9]*\\.?[0-9]{0,3}"));
    editor->setValidator(new QRegularExpressionValidator(number, editor));
    return editor;
}

void NumberDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const {
    const QVariant value = index.data(Qt::EditRole);
    static_cast<QLineEdit*>(editor)->setText(
        is_number(value) && !value.isNull() ? number_text(value.toDouble()) : value.toString());
}

void NumberDelegate::setModelData(QWidget* editor, QAbstractItemModel* model,
                                  const QModelIndex& index) const {
    const QString text = static_cast<QLineEdit*>(editor)->text().trimmed();
    if (text.isEmpty()) {
        model->setData(index, QVariant(QMetaType::fromType<double>()), Qt::EditRole);
        return;
    }
    bool ok = false;
    const double value = QLocale::c().toDouble(text, &ok);
    if (ok) {
        model->setData(index, value, Qt::EditRole);
    }
    // A lone "-" or "." is no number: the cell keeps what it had.
}

QString NumberDelegate::displayText(const QVariant& value, const QLocale& locale) const {
    if (is_number(value) && !value.isNull()) {
        return number_text(value.toDouble());
    }
    return QStyledItemDelegate::displayText(value, locale);
}

ChoiceDelegate::ChoiceDelegate(QObject* parent, QStringList choices)
    : QStyledItemDelegate(parent), choices_(std::move(choices)) {}

QStringList ChoiceDelegate::condition_tokens() {
    QStringList tokens;
    for (const ConditionKind kind : kConditionKinds) {
        tokens << QString::fromLatin1(condition_token(kind));
    }
    return tokens;
}

QStringList ChoiceDelegate::then_words() {
    return {QString(), QStringLiteral("next"), QStringLiteral("stop")};
}

QWidget* ChoiceDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&,
                                      const QModelIndex&) const {
    auto* editor = new QComboBox(parent);
    editor->setFrame(false);
    editor->addItems(choices_);
    // The choice is taken as soon as it is made, as a typed number is on Enter.
    QObject::connect(editor, &QComboBox::activated, editor, [this, editor] {
        auto* self = const_cast<ChoiceDelegate*>(this);
        emit self->commitData(editor);
        emit self->closeEditor(editor);
    });
    return editor;
}

void ChoiceDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const {
    auto* choices = static_cast<QComboBox*>(editor);
    const QString held = index.data(Qt::EditRole).toString().trimmed();
    int at = choices->findText(held, Qt::MatchFixedString);
    if (at < 0) {
        choices->addItem(held);
        at = choices->count() - 1;
    }
    choices->setCurrentIndex(at);
}

void ChoiceDelegate::setModelData(QWidget* editor, QAbstractItemModel* model,
                                  const QModelIndex& index) const {
    const QString chosen = static_cast<QComboBox*>(editor)->currentText();
    model->setData(index, chosen.isEmpty() ? QVariant(QMetaType::fromType<QString>()) : chosen,
                   Qt::EditRole);
}

} // namespace kelvo::qt
