// qt/steps/: the step grid: its cells, its menu and keys, and how it follows the records.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt/steps/step_grid.h"
#include "program/step_table.h"
#include "qt/application.h"
#include "qt/steps/step_cells.h"
#include "qt/steps/step_headings.h"
#include "qt/steps/step_model.h"
#include "qt/steps/step_store.h"

#include <QAction>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>
#include <functional>
#include <utility>

namespace kelvo::qt {

namespace {

// The delete question's answers: Enter takes the one that keeps the steps.
constexpr int kAnswerYes = 0;
constexpr int kAnswerNo = 1;

class StepView final : public QTableView {
public:
    using QTableView::QTableView;
    bool editing() const { return state() == EditingState; }
    // The condition's columns the grid shows, with their headings.
    void set_conditions(std::vector<ConditionColumn> conditions) {
        conditions_ = std::move(conditions);
        fit_step_columns(*this, conditions_);
    }

protected:
    // The layout scales the grid with the screen, and a scroll bar comes and goes with the
    // steps: the columns follow the width they are shown in.
    void updateGeometries() override {
        QTableView::updateGeometries();
        if (!fitting_) {
            fitting_ = true;
            fit_step_columns(*this, conditions_);
            fitting_ = false;
        }
    }

private:
    std::vector<ConditionColumn> conditions_;
    bool fitting_ = false;
};

// Insert and Delete on the grid itself. A key the cell editor leaves unused comes up to the
// grid too, and must not add or delete a step under the user's typing.
class StepKeys final : public QObject {
public:
    StepKeys(StepView* view, std::function<bool(int)> pressed)
        : QObject(view), view_(view), pressed_(std::move(pressed)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::KeyPress && !view_->editing()) {
            const auto* key = static_cast<QKeyEvent*>(event);
            if (key->modifiers() == Qt::NoModifier && pressed_(key->key())) {
                return true;
            }
        }
        return QObject::eventFilter(watched, event);
    }

private:
    StepView* view_;
    std::function<bool(int)> pressed_;
};

} // namespace

// ---- the grid -----------------------------------------------------------------------------

QtGrid::QtGrid(QWidget* parent)
    : WidgetControl(new QWidget(parent)), caption_(new QLabel(widget())),
      view_(new StepView(widget())), delegate_(new NumberDelegate(view_)),
      kinds_(new ChoiceDelegate(view_, ChoiceDelegate::condition_tokens())),
      thens_(new ChoiceDelegate(view_, ChoiceDelegate::then_words())) {
    auto* layout = new QVBoxLayout(widget());
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(caption_);
    layout->addWidget(view_, 1);
    caption_->setTextFormat(Qt::PlainText);
    caption_->setAlignment(Qt::AlignCenter);
    caption_->setAutoFillBackground(true);
    QPalette palette = caption_->palette();
    palette.setColor(QPalette::Window, palette.color(QPalette::Mid));
    caption_->setPalette(palette);
    caption_->setFrameStyle(QFrame::Panel | QFrame::Raised);
    view_->setItemDelegate(delegate_);
    view_->setSelectionBehavior(QAbstractItemView::SelectItems);
    // Contiguous, so that rows can be chosen at their numbers for deleting.
    view_->setSelectionMode(QAbstractItemView::ContiguousSelection);
    view_->verticalHeader()->setDefaultSectionSize(view_->fontMetrics().height() + 4);
    view_->verticalHeader()->setFixedWidth(px_x(225));
    view_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    // The columns share the grid's width (step_headings.cpp): nothing to scroll sideways.
    view_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    view_->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    view_->horizontalHeader()->setHighlightSections(false);

    menu_ = new QMenu(view_);
    add_action_ = menu_->addAction(qtext(texts::kAddStepItem));
    delete_action_ = menu_->addAction(qtext(texts::kDeleteStepItem));
    conditions_action_ = menu_->addAction(qtext(english_, texts::kAddConditionsItem));
    QObject::connect(conditions_action_, &QAction::triggered, view_, [this] { add_conditions(); });
    QObject::connect(add_action_, &QAction::triggered, view_, [this] { add_step(); });
    QObject::connect(delete_action_, &QAction::triggered, view_,
                     [this] { delete_steps(menu_rows_.first, menu_rows_.second); });
    view_->setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(view_, &QWidget::customContextMenuRequested, view_, [this](const QPoint& at) {
        update_actions(view_->indexAt(at).row());
        menu_->popup(view_->viewport()->mapToGlobal(at));
    });
    view_->installEventFilter(
        new StepKeys(static_cast<StepView*>(view_), [this](int key) { return key_pressed(key); }));
}

void QtGrid::set_data_source(platform::RecordSet& records) {
    // The window owns both and attaches them; a record set from elsewhere has no model
    // this grid could show.
    if (attached_ == nullptr || &records != attached_) {
        return;
    }
    records_ = attached_;
    records_->on_reload = [this] { bind(); };
    records_->on_move = [this](int row) { show_row(row); };
    records_->on_refused = [this](const QString& reason) { report(reason); };
    bind();
}

void QtGrid::refresh() {
    bind();
}

void QtGrid::bind() {
    StepTableModel* model = records_ != nullptr ? records_->model() : nullptr;
    QItemSelectionModel* old_selection = view_->selectionModel();
    if (view_->model() != model) {
        view_->setModel(model);
        if (old_selection != nullptr && old_selection != view_->selectionModel()) {
            old_selection->deleteLater();
        }
        if (view_->selectionModel() != nullptr) {
            QObject::connect(view_->selectionModel(), &QItemSelectionModel::currentRowChanged,
                             view_, [this](const QModelIndex& current) {
                                 if (records_ != nullptr && current.isValid()) {
                                     records_->set_current_row(current.row());
                                 }
                             });
        }
    }
    if (model == nullptr) {
        return;
    }
    const std::array<int, 5> conditions = condition_fields(*records_);
    const int fields = model->columnCount();
    for (int field = 0; field < fields; ++field) {
        const bool shown =
            (field >= 1 && field <= kGridFields) ||
            std::find(conditions.begin(), conditions.end(), field) != conditions.end();
        view_->setColumnHidden(field, !shown);
        view_->setItemDelegateForColumn(field, nullptr);
    }
    for (int column = 0; column < platform::kGridColumns; ++column) {
        if (const int field = field_of(column); field >= 0) {
            model->set_locked(field, locked_.at(static_cast<std::size_t>(column)));
        }
    }
    if (conditions[0] >= 0) {
        view_->setItemDelegateForColumn(conditions[0], kinds_);
    }
    if (conditions[4] >= 0) {
        view_->setItemDelegateForColumn(conditions[4], thens_);
    }
    // The condition's columns are reached by scrolling: the described ones keep their widths.
    const bool any =
        std::any_of(conditions.begin(), conditions.end(), [](int at) { return at >= 0; });
    view_->setHorizontalScrollBarPolicy(any ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
    fit_columns();
    show_row(records_->current_row());
}

void QtGrid::show_row(int row) {
    QAbstractItemModel* model = view_->model();
    if (model == nullptr) {
        return;
    }
    if (row < 0 || row >= model->rowCount()) {
        // Before the first or after the last record: no row is current.
        view_->selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
        return;
    }
    const QModelIndex current = view_->currentIndex();
    const int column = current.isValid() ? current.column() : 1;
    if (current.row() != row) {
        view_->selectionModel()->setCurrentIndex(model->index(row, column),
                                                 QItemSelectionModel::NoUpdate);
    }
}

std::pair<int, int> QtGrid::chosen_rows() const {
    const QModelIndexList rows = view_->selectionModel() != nullptr
                                     ? view_->selectionModel()->selectedRows()
                                     : QModelIndexList();
    if (rows.isEmpty()) {
        return {-1, 0};
    }
    const auto [low, high] = std::minmax_element(
        rows.begin(), rows.end(),
        [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
    return {low->row(), high->row() - low->row() + 1};
}

void QtGrid::update_actions(int pointer_row) {
    const auto chosen = chosen_rows();
    const bool on_chosen = chosen.second > 0 && pointer_row >= chosen.first &&
                           pointer_row < chosen.first + chosen.second;
    menu_rows_ = on_chosen          ? chosen
                 : pointer_row >= 0 ? std::pair(pointer_row, 1)
                                    : std::pair(-1, 0);
    const auto [first, count] = menu_rows_;
    const bool changeable = records_ != nullptr && records_->steps_changeable();
    add_action_->setEnabled(changeable);
    delete_action_->setEnabled(changeable && count > 0);
    // Offered while a program runs too, and refused then with the reason.
    conditions_action_->setVisible(records_ != nullptr && records_->model() != nullptr &&
                                   !records_->has_condition_fields());
    // The key deletes only rows chosen at their numbers.
    const QString key = on_chosen ? qtext(texts::kDeleteKey) : QString();
    if (count > 1) {
        delete_action_->setText(qtext(texts::kDeleteStepsItem).arg(first + 1).arg(first + count) +
                                key);
    } else if (count == 1) {
        delete_action_->setText(qtext(texts::kDeleteOneStepItem).arg(first + 1) + key);
    } else {
        delete_action_->setText(qtext(texts::kDeleteStepItem));
    }
}

bool QtGrid::key_pressed(int key) {
    if (key == Qt::Key_Insert) {
        add_step();
        return true;
    }
    if (key == Qt::Key_Delete) {
        const auto [first, count] = chosen_rows();
        if (count > 0) {
            delete_steps(first, count);
            return true;
        }
    }
    return false;
}

void QtGrid::add_step() {
    if (records_ == nullptr || !records_->add_record()) {
        report(records_ != nullptr ? records_->last_error() : QString());
        return;
    }
    // Straight into the new step's voltage.
    const QModelIndex voltage = view_->model()->index(records_->current_row(), 1);
    view_->setCurrentIndex(voltage);
    view_->scrollTo(voltage);
    view_->setFocus();
    view_->edit(voltage);
}

void QtGrid::add_conditions() {
    if (records_ == nullptr) {
        return;
    }
    report(qstr(records_->add_condition_fields()));
}

void QtGrid::delete_steps(int first, int count) {
    if (records_ == nullptr || reporter_ == nullptr || !records_->steps_changeable() ||
        count <= 0) {
        return;
    }
    const QString question =
        count == 1 ? qtext(texts::kDeleteOneStepQuestion).arg(first + 1)
                   : qtext(texts::kDeleteStepsQuestion).arg(first + 1).arg(first + count);
    // The window goes on while the question waits: the answer is for these steps only.
    reporter_->ask(utf8(question), utf8(qtext(texts::kProductName)),
                   {texts::kDeleteYes.en, texts::kDeleteNo.en}, kAnswerNo,
                   [this, first, asked = records_->row_ids(first, count)](int answer) {
                       if (answer == kAnswerYes) {
                           delete_answered(first, asked);
                       }
                   });
}

void QtGrid::delete_answered(int first, const QVariantList& asked) {
    const auto count = static_cast<int>(asked.size());
    if (records_->row_ids(first, count) != asked) {
        report(qtext(texts::kStepsMoved));
        return;
    }
    // A RUN pressed meanwhile wins: the record set refuses then.
    if (!records_->delete_records(first, count)) {
        report(records_->last_error());
    }
}

void QtGrid::report(const QString& failure) const {
    if (!failure.isEmpty() && reporter_ != nullptr) {
        reporter_->report(platform::Severity::Box,
                          utf8(qtext(texts::kStepTableUnchanged).arg(failure)),
                          utf8(qtext(texts::kProductName)));
    }
}

int QtGrid::field_of(int column) const {
    if (column < 0 || column >= platform::kGridColumns || records_ == nullptr ||
        records_->model() == nullptr) {
        return -1;
    }
    if (column < kGridFields) {
        return column + 1 < records_->field_count() ? column + 1 : -1;
    }
    return condition_fields(*records_).at(static_cast<std::size_t>(column - kGridFields));
}

void QtGrid::set_column_locked(int column, bool locked) {
    if (column < 0 || column >= platform::kGridColumns) {
        return;
    }
    locked_.at(static_cast<std::size_t>(column)) = locked;
    if (const int field = field_of(column); field >= 0) {
        records_->model()->set_locked(field, locked);
    }
}

std::vector<ConditionColumn> QtGrid::condition_columns() const {
    static constexpr std::array<const texts::Text*, 5> kHeadings{
        &texts::kEndWhenHeading, &texts::kLevelHeading, &texts::kShortestHeading,
        &texts::kLongestHeading, &texts::kThenHeading};
    static constexpr std::array<const char*, 5> kWidest{"mWh>", "158.1", "86400", "86400", "stop"};
    std::vector<ConditionColumn> columns;
    if (records_ == nullptr || records_->model() == nullptr) {
        return columns;
    }
    const std::array<int, 5> fields = condition_fields(*records_);
    for (std::size_t cell = 0; cell < fields.size(); ++cell) {
        if (fields.at(cell) >= 0) {
            columns.push_back({fields.at(cell), qtext(english_, *kHeadings.at(cell)),
                               QString::fromLatin1(kWidest.at(cell))});
        }
    }
    return columns;
}

void QtGrid::fit_columns() {
    static_cast<StepView*>(view_)->set_conditions(condition_columns());
}

void QtGrid::language_changed(bool english) {
    english_ = english;
    conditions_action_->setText(qtext(english_, texts::kAddConditionsItem));
    fit_columns();
}

void QtGrid::font_changed() {
    const QFont font = widget()->font();
    view_->setFont(font);
    view_->horizontalHeader()->setFont(font);
    caption_->setFont(font);
    view_->verticalHeader()->setDefaultSectionSize(QFontMetrics(font).height() + 4);
    fit_columns();
}

} // namespace kelvo::qt
