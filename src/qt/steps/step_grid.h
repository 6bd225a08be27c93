// qt/steps/: the step grid, which shows the step table, takes numbers only in its cells
// and adds or deletes steps from its right-click menu and the Ins and Del keys.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/services.h"
#include "qt/widgets/widgets.h"

#include <QStyledItemDelegate>

#include <array>
#include <utility>

class QAction;
class QLabel;
class QMenu;
class QTableView;

namespace kelvo::qt {

class QtRecordSet;

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

class QtGrid final : public WidgetControl<platform::Grid, QWidget> {
public:
    explicit QtGrid(QWidget* parent);
    QTableView* view() const { return view_; }
    QLabel* caption() const { return caption_; }
    // The right-click menu: add a step, delete the chosen ones.
    QMenu* menu() const { return menu_; }
    QAction* add_action() const { return add_action_; }
    QAction* delete_action() const { return delete_action_; }
    // The record set of the same window: the only one the grid can show.
    void attach(QtRecordSet& records) { attached_ = &records; }
    // Binds the grid to the attached record set; any other is refused.
    void set_data_source(platform::RecordSet& records) override;
    void refresh() override;
    void set_column_locked(int column, bool locked) override;
    void set_reporter(platform::Reporter& reporter) override { reporter_ = &reporter; }

protected:
    void font_changed() override;

private:
    void bind();
    void show_row(int row);
    // The rows chosen at their numbers: first, count.
    std::pair<int, int> chosen_rows() const;
    // The menu's steps: the rows chosen if the pointer is on one of them, else its own row.
    void update_actions(int pointer_row);
    bool key_pressed(int key);
    void add_step();
    void delete_steps(int first, int count);
    void delete_answered(int first, const QVariantList& asked);
    void report(const QString& failure) const;

    QLabel* caption_;
    QTableView* view_;
    NumberDelegate* delegate_;
    QMenu* menu_;
    QAction* add_action_;
    QAction* delete_action_;
    std::pair<int, int> menu_rows_{-1, 0};
    QtRecordSet* attached_ = nullptr;
    QtRecordSet* records_ = nullptr;
    platform::Reporter* reporter_ = nullptr;
    std::array<bool, 3> locked_{};
};

} // namespace kelvo::qt
