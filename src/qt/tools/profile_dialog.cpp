// qt/tools/: the profile dialog: a kind of test, its few figures, what it would write in
// words, and the buttons that write it to the step table or write it and run it.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "program/profiles.h"
#include "qt/tools/step_tools.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace kelvo::tools {

namespace {

// The decimals that show a figure's finest step: 1 V steps none, 10 mV two, 1 mA three.
int decimals_for(double finest) {
    if (finest <= 0) {
        return 2;
    }
    return std::clamp(static_cast<int>(std::lround(-std::log10(finest))), 0, 3);
}

} // namespace

ProfileDialog::ProfileDialog(QWidget* parent, Form1& form)
    : Tool(parent, form), kind_(new QComboBox(this)), kind_label_(new QLabel(this)),
      fields_(new QFormLayout), preview_(new QPlainTextEdit(this)), outcome_(new QLabel(this)),
      write_(new QPushButton(this)), run_(new QPushButton(this)), close_(new QPushButton(this)) {
    setModal(false);
    auto* top = new QFormLayout;
    top->addRow(kind_label_, kind_);
    for (std::size_t i = 0; i < kProfileKinds.size(); ++i) {
        kind_->addItem(QString());
    }
    preview_->setReadOnly(true);
    preview_->setMinimumSize(520, 180);
    outcome_->setWordWrap(true);
    // Write, then run, then close, left to right on every desktop.
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    for (QPushButton* button : {write_, run_, close_}) {
        button->setAutoDefault(false);
        buttons->addWidget(button);
    }
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(fields_);
    layout->addWidget(preview_);
    layout->addWidget(outcome_);
    layout->addLayout(buttons);
    connect(kind_, &QComboBox::currentIndexChanged, this, [this] { kind_chosen(); });
    connect(write_, &QPushButton::clicked, this, [this] { write(false); });
    connect(run_, &QPushButton::clicked, this, [this] { write(true); });
    connect(close_, &QPushButton::clicked, this, &QDialog::close);
    kind_chosen();
    retranslate();
}

ProfileKind ProfileDialog::kind() const {
    const int index = std::clamp(kind_->currentIndex(), 0, int(kProfileKinds.size()) - 1);
    return kProfileKinds[static_cast<std::size_t>(index)];
}

void ProfileDialog::kind_chosen() {
    while (fields_->rowCount() > 0) {
        fields_->removeRow(0);
    }
    boxes_.clear();
    for (const FigureRule& rule : profile_rules(kind())) {
        auto* box = new QDoubleSpinBox(this);
        box->setLocale(QLocale::c()); // a decimal point, as in the grid
        const double finest = figure_facts(rule.figure).finest;
        box->setDecimals(decimals_for(finest));
        box->setSingleStep(finest > 0 ? finest * (finest < 1 ? 10 : 1) : 100);
        // An optional figure may be left out: the lowest place of its box says "none".
        box->setRange(rule.optional ? 0 : rule.lowest, rule.highest);
        box->setValue(rule.typical);
        connect(box, &QDoubleSpinBox::valueChanged, this, [this] { show_preview(); });
        fields_->addRow(new QLabel(this), box);
        boxes_.push_back({rule.figure, rule.optional, box});
    }
    label_fields();
    show_preview();
}

void ProfileDialog::label_fields() {
    for (int row = 0; row < fields_->rowCount() && row < int(boxes_.size()); ++row) {
        const FigureBox& field = boxes_[static_cast<std::size_t>(row)];
        auto* label = qobject_cast<QLabel*>(fields_->itemAt(row, QFormLayout::LabelRole)->widget());
        label->setText(text(figure_label(kind(), field.figure)));
        field.box->setSpecialValueText(field.optional ? text(texts::kProfileNoCapacity)
                                                      : QString());
    }
}

ProfileFigures ProfileDialog::figures() const {
    ProfileFigures figures;
    figures.kind = kind();
    for (const FigureBox& field : boxes_) {
        if (!field.optional || field.box->value() > 0) {
            figures[field.figure] = field.box->value();
        }
    }
    return figures;
}

ProfileResult ProfileDialog::made() const {
    return make_profile(figures());
}

void ProfileDialog::show_preview() {
    const ProfileResult result = made();
    QStringList lines;
    if (result.ok()) {
        lines << qt::qstr(preview(result.plan, form_.english_mode));
    }
    for (const ProfileProblem& problem : result.problems) {
        lines << qt::qstr(describe(problem, form_.english_mode));
    }
    preview_->setPlainText(lines.join(u'\n'));
    outcome_->clear();
    figures_ok_ = result.ok();
    set_running(running_);
}

void ProfileDialog::retranslate() {
    setWindowTitle(text(texts::kProfileTitle));
    kind_label_->setText(text(texts::kProfileKindLabel));
    for (std::size_t i = 0; i < kProfileKinds.size(); ++i) {
        kind_->setItemText(int(i), text(profile_name(kProfileKinds[i])));
    }
    write_->setText(text(texts::kProfileWrite));
    run_->setText(text(texts::kProfileRun));
    close_->setText(text(texts::kProfileClose));
    label_fields();
    show_preview();
}

void ProfileDialog::set_running(bool running) {
    running_ = running;
    for (QPushButton* button : {write_, run_}) {
        button->setEnabled(!running && figures_ok_);
        button->setToolTip(running ? text(texts::kProfileRunning) : QString());
    }
}

void ProfileDialog::write(bool and_run) {
    const ProfileResult result = made();
    if (!result.ok()) {
        outcome_->setText(
            text(texts::kProfileNotWritten)
                .arg(qt::qstr(describe(result.problems.front(), form_.english_mode))));
        return;
    }
    // A refusal (a running program, limits the run would break) is told in the window's
    // own box, with its words; here only what was done.
    const QString steps = QString::number(result.plan.steps.size());
    if (and_run ? form_.run_profile(result.plan) : form_.load_profile(result.plan)) {
        outcome_->setText(
            text(and_run ? texts::kProfileStarted : texts::kProfileWritten).arg(steps));
    }
}

} // namespace kelvo::tools
