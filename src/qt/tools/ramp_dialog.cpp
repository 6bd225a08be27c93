// qt/tools/: the ramp dialog: from, to, how many steps, how long each, the other quantity held.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/limits.h"
#include "qt/tools/step_tools.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace kelvo::tools {

namespace {

QDoubleSpinBox* value_box(QWidget* parent) {
    auto* box = new QDoubleSpinBox(parent);
    box->setLocale(QLocale::c()); // a decimal point, as in the grid
    return box;
}

// A spin box for one quantity: its range and its finest step.
void fit_to(QDoubleSpinBox* box, bool voltage) {
    box->setDecimals(voltage ? 2 : 3);
    box->setRange(0, voltage ? limits::kMaxVolts : limits::kMaxAmperes);
    box->setSingleStep(voltage ? 0.1 : 0.01);
}

} // namespace

RampDialog::RampDialog(QWidget* parent, Form1& form)
    : Tool(parent, form), quantity_(new QComboBox(this)), from_(value_box(this)),
      to_(value_box(this)), steps_(new QSpinBox(this)), seconds_(new QSpinBox(this)),
      held_(value_box(this)), append_(new QRadioButton(this)), replace_(new QRadioButton(this)),
      outcome_(new QLabel(this)), write_(new QPushButton(this)), close_(new QPushButton(this)) {
    setModal(false);
    auto* fields = new QFormLayout;
    const auto row = [&](const texts::Text& caption, QWidget* field) {
        auto* label = new QLabel(this);
        labels_.emplace_back(label, &caption);
        fields->addRow(label, field);
    };
    row(texts::kRampOf, quantity_);
    row(texts::kRampFrom, from_);
    row(texts::kRampTo, to_);
    row(texts::kRampSteps, steps_);
    row(texts::kRampSeconds, seconds_);
    row(texts::kRampHeldCurrent, held_);
    steps_->setRange(2, limits::kMaxSteps);
    steps_->setValue(11);
    seconds_->setRange(limits::kMinStepSeconds, limits::kMaxStepSeconds);
    seconds_->setValue(1);
    append_->setChecked(true);
    outcome_->setWordWrap(true);
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(write_, QDialogButtonBox::ApplyRole);
    buttons->addButton(close_, QDialogButtonBox::RejectRole);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addWidget(append_);
    layout->addWidget(replace_);
    layout->addWidget(outcome_);
    layout->addWidget(buttons);
    quantity_->addItems({QString(), QString()});
    connect(quantity_, &QComboBox::currentIndexChanged, this, [this] { quantity_chosen(); });
    connect(write_, &QPushButton::clicked, this, [this] { write(); });
    connect(close_, &QPushButton::clicked, this, &QDialog::close);
    quantity_chosen();
    to_->setValue(to_->maximum());
    held_->setValue(1);
    retranslate();
}

void RampDialog::retranslate() {
    setWindowTitle(text(texts::kRampTitle));
    quantity_->setItemText(0, text(texts::kRampVoltage));
    quantity_->setItemText(1, text(texts::kRampCurrent));
    for (const auto& [label, caption] : labels_) {
        label->setText(text(*caption));
    }
    // The last label names the quantity held, the other one.
    labels_.back().first->setText(
        text(quantity_->currentIndex() == 0 ? texts::kRampHeldCurrent : texts::kRampHeldVoltage));
    append_->setText(text(texts::kRampAppend));
    replace_->setText(text(texts::kRampReplace));
    write_->setText(text(texts::kRampWrite));
    close_->setText(text(texts::kRampClose));
    outcome_->clear();
    set_running(running_);
}

void RampDialog::set_running(bool running) {
    running_ = running;
    write_->setEnabled(!running);
    write_->setToolTip(running ? text(texts::kRampRunning) : QString());
}

void RampDialog::quantity_chosen() {
    const bool voltage = quantity_->currentIndex() == 0;
    fit_to(from_, voltage);
    fit_to(to_, voltage);
    fit_to(held_, !voltage);
    if (!labels_.empty()) {
        labels_.back().first->setText(
            text(voltage ? texts::kRampHeldCurrent : texts::kRampHeldVoltage));
    }
}

void RampDialog::write() {
    const Ramp ramp{quantity_->currentIndex() == 0 ? Quantity::Voltage : Quantity::Current,
                    from_->value(),
                    to_->value(),
                    steps_->value(),
                    static_cast<double>(seconds_->value()),
                    held_->value()};
    const RampSteps made = make_ramp(ramp);
    QStringList problems;
    for (const StepProblem& problem : made.problems) {
        problems << qt::qstr(describe(problem, form_.english_mode));
    }
    if (!problems.isEmpty()) {
        outcome_->setText(problems.join(u'\n'));
        return;
    }
    // A refusal is told in the program's one box, with the grid's words.
    outcome_->setText(form_.apply_steps(made.steps, replace_->isChecked())
                          ? text(texts::kRampWritten).arg(made.steps.size())
                          : QString());
}

} // namespace kelvo::tools
