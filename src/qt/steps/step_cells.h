// qt/steps/: the step grid's cell editors: a number or nothing, or one of a few words (a
// condition's end-when token and what follows when it is met).
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringList>
#include <QStyledItemDelegate>

namespace kelvo::qt {

// Cells hold a number or nothing. Text is refused while typing; "." is the decimal point
// whatever the user's locale.
class NumberDelegate final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model,
                      const QModelIndex& index) const override;
    QString displayText(const QVariant& value, const QLocale& locale) const override;
};

// A cell edited by choosing from a list; the first choice, "", leaves the cell empty. A word
// the cell holds that is not on the list (typed into the file by another program) is offered
// too, so that opening the cell does not change it.
class ChoiceDelegate final : public QStyledItemDelegate {
public:
    ChoiceDelegate(QObject* parent, QStringList choices);
    const QStringList& choices() const { return choices_; }
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model,
                      const QModelIndex& index) const override;

    // The end-when cell's choices: "" and every condition's token.
    static QStringList condition_tokens();
    // The then cell's: "", next, stop.
    static QStringList then_words();

private:
    QStringList choices_;
};

} // namespace kelvo::qt
