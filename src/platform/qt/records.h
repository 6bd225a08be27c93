// platform/qt/: the step table. An SQLite table read and written through QSqlTableModel
// (an edit, a new step or a deleted one is in the file at once) and shown in a grid whose
// cells take numbers only.
#pragma once

#include "platform/qt/widgets.h"
#include "platform/services.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QSqlTableModel>
#include <QStyledItemDelegate>

#include <array>
#include <functional>
#include <memory>
#include <utility>

class QAction;
class QLabel;
class QMenu;
class QTableView;

namespace kelvo::qt {

// The step table's model: the grid's columns 0..2 are fields 1..3 and can be locked. An edit
// the file refuses does not stay behind in the model: the cell shows the file's value again
// at once, and on_write_failed hears why.
class StepTableModel final : public QSqlTableModel {
public:
    StepTableModel(QObject* parent, const QSqlDatabase& database);
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    void set_locked(int field, bool locked);
    bool any_locked() const;
    // What identifies a row in the file: its primary key, or all its fields.
    QSqlRecord key_of(int row) const { return primaryValues(row); }
    std::function<void(const QSqlError&)> on_write_failed;

private:
    std::array<bool, 4> locked_{};
};

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

class QtRecordSet final : public platform::RecordSet {
public:
    QtRecordSet();
    ~QtRecordSet() override;
    QtRecordSet(const QtRecordSet&) = delete;
    QtRecordSet& operator=(const QtRecordSet&) = delete;

    void set_database(const std::string& path) override { path_ = path; }
    void set_record_source(const std::string& table) override { table_ = table; }
    void refresh() override;
    int record_count() const override;
    int field_count() const override;
    void move_first() override;
    void move_next() override;
    platform::FieldValue field(int position) const override;

    // Steps are added and deleted only while no column is locked: a running program works
    // on the copy it took at RUN, which must stay what the grid shows.
    bool steps_changeable() const;
    // Appends an empty step (no volts, amperes or seconds) under a fresh id and makes it
    // the current record.
    bool add_record();
    // Deletes the rows first..first+count-1, all or none; the current record stays on the
    // same row number, or the last row.
    bool delete_records(int first, int count);
    // Why the last add or delete failed, in the user's words; empty when it was only refused.
    const QString& last_error() const { return error_; }

    StepTableModel* model() const { return model_.get(); }
    int current_row() const { return row_; }
    // The grid's current row is the current record, whichever side moves it.
    void set_current_row(int row);
    std::function<void()> on_reload;
    std::function<void(int)> on_move;
    // A grid edit did not reach the file; the grid already shows the file again.
    std::function<void(const QString& reason)> on_refused;

private:
    void fetch_all() const;
    // A change failed half-way: keeps the reason and leaves the file as it was.
    void roll_back(const QSqlError& error, QSqlDatabase& database);
    // Reads the table again, all of it or nothing: when the file cannot be read now, the grid
    // keeps what it read last.
    bool reread();
    // The same after a change the file refused, once the window's thread has turned.
    void reread_soon(std::function<void()> then = {});
    void edit_refused(const QSqlError& error);
    // Makes `row`, held to the table, the current record, and the grid's current row.
    void place(int row);
    [[noreturn]] void fail(const std::string& reason) const;

    std::string path_;
    std::string table_;
    QString connection_;
    std::unique_ptr<StepTableModel> model_;
    int row_ = -1;
    QString error_;
};

class QtGrid final : public WidgetControl<platform::Grid> {
public:
    explicit QtGrid(QWidget* parent);
    QWidget* widget() const { return widget_; }
    QTableView* view() const { return view_; }
    QLabel* caption() const { return caption_; }
    // The right-click menu: add a step, delete the chosen ones.
    QMenu* menu() const { return menu_; }
    QAction* add_action() const { return add_action_; }
    QAction* delete_action() const { return delete_action_; }
    void set_data_source(platform::RecordSet& records) override;
    void refresh() override;
    void set_column_locked(int column, bool locked) override;

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
    void report(const QString& failure) const;

    QLabel* caption_;
    QTableView* view_;
    NumberDelegate* delegate_;
    QMenu* menu_;
    QAction* add_action_;
    QAction* delete_action_;
    std::pair<int, int> menu_rows_{-1, 0};
    QtRecordSet* records_ = nullptr;
    std::array<bool, 3> locked_{};
};

} // namespace kelvo::qt
