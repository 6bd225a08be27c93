// The port window: what each port number stands for on this machine and whether it could be
// opened, and the choice between the search for the supply and one port of the user's.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/limits.h"
#include "qt/tools/tool.h"

#include <QDialog>
#include <QElapsedTimer>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace kelvo::tools {

namespace {

const texts::Text& state_text(platform::PortState state) {
    switch (state) {
    case platform::PortState::Free:
        return texts::kStateFree;
    case platform::PortState::Busy:
        return texts::kStateBusy;
    case platform::PortState::PermissionRefused:
        return texts::kStateRefused;
    case platform::PortState::InUseHere:
        return texts::kStateInUse;
    case platform::PortState::Absent:
        break;
    }
    return texts::kStateAbsent;
}

class PortWindow final : public Tool<QDialog> {
public:
    PortWindow(QWidget* parent, Form1& form, QAction* button)
        : Tool(parent, form), button_(button) {
        setObjectName(QStringLiteral("portWindow"));
        setModal(false);
        build();
        retranslate();
    }

    // The port opened or lost: the line saying what is used now follows.
    void link_event(const std::string& /*text*/) override {
        if (isVisible()) {
            show_choice();
        }
    }

private:
    void build();
    void retranslate() override;
    // The window shows the ports as they are now.
    void about_to_open() override {
        if (form_.pinned_port != 0) {
            table_->selectRow(form_.pinned_port - 1);
        } else {
            search_->setChecked(true);
        }
        refresh();
    }
    void refresh();
    void fill(const std::vector<platform::PortDescription>& states);
    void show_choice();
    void apply();

    QAction* button_; // on the tool strip
    QTableWidget* table_ = nullptr;
    QLabel* fix_ = nullptr;
    QLabel* now_ = nullptr;
    QLabel* note_ = nullptr;
    QRadioButton* search_ = nullptr;
    QRadioButton* pinned_ = nullptr;
    QPushButton* refresh_ = nullptr;
    QPushButton* apply_ = nullptr;
    QPushButton* close_ = nullptr;
    std::vector<platform::PortDescription> states_;
    qint64 refresh_ms_ = -1;
};

void PortWindow::build() {
    table_ = new QTableWidget(limits::kPortCount, 3, this);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->verticalHeader()->hide();
    table_->verticalHeader()->setDefaultSectionSize(table_->fontMetrics().height() + 6);
    table_->horizontalHeader()->setStretchLastSection(true);
    fix_ = new QLabel(this);
    fix_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    fix_->setWordWrap(true);
    now_ = new QLabel(this);
    note_ = new QLabel(this);
    note_->setWordWrap(true);
    search_ = new QRadioButton(this);
    pinned_ = new QRadioButton(this);
    refresh_ = new QPushButton(this);
    apply_ = new QPushButton(this);
    close_ = new QPushButton(this);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(refresh_);
    buttons->addStretch();
    buttons->addWidget(apply_);
    buttons->addWidget(close_);
    auto* layout = new QVBoxLayout(this);
    for (QWidget* widget :
         std::initializer_list<QWidget*>{table_, fix_, search_, pinned_, now_, note_}) {
        layout->addWidget(widget);
    }
    layout->addLayout(buttons);
    // Choosing a row means that port; the search means none.
    connect(table_, &QTableWidget::itemSelectionChanged, this, [this] {
        if (!table_->selectedItems().isEmpty()) {
            pinned_->setChecked(true);
        }
    });
    connect(search_, &QRadioButton::toggled, this, [this](bool on) {
        if (on) {
            table_->clearSelection();
        }
    });
    connect(refresh_, &QPushButton::clicked, this, [this] { refresh(); });
    connect(apply_, &QPushButton::clicked, this, [this] { apply(); });
    connect(close_, &QPushButton::clicked, this, &QDialog::close);
    resize(620, 620);
}

void PortWindow::retranslate() {
    button_->setText(text(texts::kPortTool));
    setWindowTitle(text(texts::kPortTitle));
    table_->setHorizontalHeaderLabels(
        {text(texts::kPortColumn), text(texts::kDeviceColumn), text(texts::kStateColumn)});
    fix_->setText(text(texts::kPermissionFix));
    search_->setText(text(texts::kFindAutomatically));
    pinned_->setText(text(texts::kUseSelectedPort));
    refresh_->setText(text(texts::kRefresh));
    apply_->setText(text(texts::kApply));
    close_->setText(text(texts::kClose));
    note_->clear();
    fill(states_);
    show_choice();
}

void PortWindow::refresh() {
    QElapsedTimer clock;
    clock.start();
    states_.clear();
    for (int n = 1; n <= limits::kPortCount; ++n) {
        states_.push_back(form_.MSComm1.describe(n));
    }
    refresh_ms_ = clock.elapsed();
    fill(states_);
    show_choice();
}

void PortWindow::fill(const std::vector<platform::PortDescription>& states) {
    bool refused = false;
    for (int row = 0; row < static_cast<int>(states.size()); ++row) {
        const platform::PortDescription& port = states.at(static_cast<std::size_t>(row));
        const QString device =
            port.device.empty() ? text(texts::kNoDevice) : QString::fromStdString(port.device);
        const QString cells[] = {QStringLiteral("COM%1").arg(row + 1), device,
                                 text(state_text(port.state))};
        for (int column = 0; column < 3; ++column) {
            auto* item = new QTableWidgetItem(cells[column]);
            if (port.state == platform::PortState::PermissionRefused) {
                item->setToolTip(text(texts::kPermissionFix));
            }
            table_->setItem(row, column, item);
        }
        refused = refused || port.state == platform::PortState::PermissionRefused;
    }
    // The state column takes the rest of the width.
    table_->resizeColumnToContents(0);
    table_->resizeColumnToContents(1);
    fix_->setVisible(refused);
}

void PortWindow::show_choice() {
    QString now = form_.pinned_port == 0 ? text(texts::kPortNowSearch)
                                         : text(texts::kPortNowPinned).arg(form_.pinned_port);
    if (refresh_ms_ >= 0) {
        now += QStringLiteral("    ") + text(texts::kRefreshTime).arg(refresh_ms_);
    }
    now_->setText(now);
}

void PortWindow::apply() {
    int number = 0;
    if (pinned_->isChecked()) {
        const QModelIndexList rows = table_->selectionModel()->selectedRows();
        if (rows.isEmpty()) {
            return;
        }
        number = rows.first().row() + 1;
    }
    if (!form_.pin_port(number)) {
        note_->setText(text(texts::kPortRefusedOutputOn));
        return;
    }
    note_->clear();
    show_choice();
    // The port chosen is opened on the next tick of the link; look again once it has been.
    QTimer::singleShot(3 * limits::kPollingMs, this, [this] { refresh(); });
}

} // namespace

void add_port_tool(const ToolContext& context) {
    add_window_tool<PortWindow>(context, "portTool");
}

} // namespace kelvo::tools
