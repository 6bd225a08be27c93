// platform/qt/: the step table. An SQLite table read and written through QSqlTableModel
// (an edit is in the file at once) and shown in a grid whose cells take numbers only.
#pragma once

#include "platform/qt/widgets.h"
#include "platform/services.h"

#include <QSqlTableModel>
#include <QStyledItemDelegate>

#include <array>
#include <functional>
#include <memory>

class QLabel;
class QTableView;

namespace kelvo::qt {

// The step table's model: the grid's columns 0..2 are fields 1..3 and can be locked.
class StepTableModel final : public QSqlTableModel {
public:
    StepTableModel(QObject* parent, const QSqlDatabase& database);
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    void set_locked(int field, bool locked);

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

    StepTableModel* model() const { return model_.get(); }
    int current_row() const { return row_; }
    // The grid's current row is the current record, whichever side moves it.
    void set_current_row(int row);
    std::function<void()> on_reload;
    std::function<void(int)> on_move;

private:
    void fetch_all() const;
    [[noreturn]] void fail(const std::string& reason) const;

    std::string path_;
    std::string table_;
    QString connection_;
    std::unique_ptr<StepTableModel> model_;
    int row_ = -1;
};

class QtGrid final : public WidgetControl<platform::Grid> {
public:
    explicit QtGrid(QWidget* parent);
    QWidget* widget() const { return widget_; }
    QTableView* view() const { return view_; }
    QLabel* caption() const { return caption_; }
    void set_data_source(platform::RecordSet& records) override;
    void refresh() override;
    void set_column_locked(int column, bool locked) override;

protected:
    void font_changed() override;

private:
    void bind();
    void show_row(int row);

    QLabel* caption_;
    QTableView* view_;
    NumberDelegate* delegate_;
    QtRecordSet* records_ = nullptr;
    std::array<bool, 3> locked_{};
};

} // namespace kelvo::qt
