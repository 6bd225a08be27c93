// qt/steps/: the step grid, which shows the step table, takes numbers only in its cells
// and adds or deletes steps from its right-click menu and the Ins and Del keys.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/observer.h"
#include "platform/services.h"
#include "qt/steps/step_cells.h"
#include "qt/steps/step_headings.h"
#include "qt/widgets/widgets.h"

#include <array>
#include <utility>

class QAction;
class QLabel;
class QMenu;
class QTableView;

namespace kelvo::qt {

class ChoiceDelegate;
class QtRecordSet;

// The step table's grid: the three described columns, then a step's end condition where the
// table has its fields. It hears the window's switch of language for the condition's headings.
class QtGrid final : public WidgetControl<platform::Grid, QWidget>, public platform::Observer {
public:
    explicit QtGrid(QWidget* parent);
    QTableView* view() const { return view_; }
    QLabel* caption() const { return caption_; }
    // The right-click menu: add a step, delete the chosen ones, add the condition's fields
    // to a table without them.
    QMenu* menu() const { return menu_; }
    QAction* add_action() const { return add_action_; }
    QAction* delete_action() const { return delete_action_; }
    QAction* conditions_action() const { return conditions_action_; }
    // The right-click menu as it is about to show, for the row under the pointer.
    void prepare_menu(int pointer_row) { update_actions(pointer_row); }
    // The field of a grid column (0..kGridColumns-1); -1 where the table has none.
    int field_of(int column) const;
    void language_changed(bool english) override;
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
    void add_conditions();
    // The condition's columns the table has, with their headings in the language chosen.
    std::vector<ConditionColumn> condition_columns() const;
    void fit_columns();
    void delete_steps(int first, int count);
    void delete_answered(int first, const QVariantList& asked);
    void report(const QString& failure) const;

    QLabel* caption_;
    QTableView* view_;
    NumberDelegate* delegate_;
    ChoiceDelegate* kinds_;
    ChoiceDelegate* thens_;
    QMenu* menu_;
    QAction* add_action_;
    QAction* delete_action_;
    QAction* conditions_action_;
    std::pair<int, int> menu_rows_{-1, 0};
    QtRecordSet* attached_ = nullptr;
    QtRecordSet* records_ = nullptr;
    platform::Reporter* reporter_ = nullptr;
    std::array<bool, platform::kGridColumns> locked_{};
    bool english_ = true;
};

} // namespace kelvo::qt
