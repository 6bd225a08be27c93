// The Limits window: the highest voltage and current, and the time, charge, energy and
// silence that end an output period, typed as numbers (an empty box is no limit). What it
// applies goes through the window model, which refuses limits the running output would
// break and keeps them for the next start.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "limits/output_limits.h"
#include "qt/tools/tool.h"

#include <QDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <array>

namespace kelvo::tools {

namespace {

// The caption of each row, in the order of kLimitKinds.
constexpr std::array<const texts::Text*, kLimitKinds.size()> kRowLabels{
    &texts::kLimitVoltageLabel, &texts::kLimitCurrentLabel, &texts::kLimitTimeLabel,
    &texts::kLimitChargeLabel,  &texts::kLimitEnergyLabel,  &texts::kLimitSilenceLabel};

class LimitsWindow final : public Tool<QDialog> {
public:
    LimitsWindow(QWidget* parent, Form1& form, QAction* button)
        : Tool(parent, form), button_(button) {
        setObjectName(QStringLiteral("limitsWindow"));
        // The supply runs on while the user types here: the main window stays usable.
        setModal(false);
        build();
        retranslate();
        show_limits_in_force();
    }

    // From the command line, remote control or this window's own Apply: the boxes show
    // what guards the output now, not what was typed before.
    void limits_changed() override { show_limits_in_force(); }

private:
    void build();
    void retranslate() override;
    void about_to_open() override {
        // A window already open keeps what the user has typed and not yet applied.
        if (!isVisible()) {
            show_limits_in_force();
        }
    }
    void show_limits_in_force();
    void apply();
    void clear_entries();

    QAction* button_; // on the tool strip
    QLabel* intro_ = nullptr;
    std::array<QLabel*, kLimitKinds.size()> labels_{};
    std::array<QLineEdit*, kLimitKinds.size()> entries_{};
    QPushButton* apply_ = nullptr;
    QPushButton* clear_ = nullptr;
    QPushButton* close_ = nullptr;
};

void LimitsWindow::build() {
    intro_ = new QLabel(this);
    intro_->setWordWrap(true);
    auto* rows = new QGridLayout;
    for (std::size_t row = 0; row < kLimitKinds.size(); ++row) {
        labels_.at(row) = new QLabel(this);
        QLineEdit* entry = new QLineEdit(this);
        // The key names the box for tests and accessibility tools alike.
        entry->setObjectName(QString::fromLatin1(limit_key(kLimitKinds.at(row))));
        labels_.at(row)->setBuddy(entry);
        entries_.at(row) = entry;
        rows->addWidget(labels_.at(row), static_cast<int>(row), 0);
        rows->addWidget(entry, static_cast<int>(row), 1);
    }
    rows->setColumnStretch(1, 1);
    apply_ = new QPushButton(this);
    apply_->setObjectName(QStringLiteral("limitsApply"));
    // Enter in any box applies.
    apply_->setDefault(true);
    clear_ = new QPushButton(this);
    clear_->setObjectName(QStringLiteral("limitsClear"));
    clear_->setAutoDefault(false);
    close_ = new QPushButton(this);
    close_->setObjectName(QStringLiteral("limitsClose"));
    close_->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(clear_);
    buttons->addStretch();
    buttons->addWidget(apply_);
    buttons->addWidget(close_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(intro_);
    layout->addLayout(rows);
    layout->addLayout(buttons);
    connect(apply_, &QPushButton::clicked, this, [this] { apply(); });
    connect(clear_, &QPushButton::clicked, this, [this] { clear_entries(); });
    connect(close_, &QPushButton::clicked, this, &QDialog::close);
    resize(460, sizeHint().height());
}

void LimitsWindow::retranslate() {
    button_->setText(text(texts::kLimitsButton));
    setWindowTitle(text(texts::kLimitsTitle));
    intro_->setText(text(texts::kLimitsIntro));
    for (std::size_t row = 0; row < kLimitKinds.size(); ++row) {
        labels_.at(row)->setText(text(*kRowLabels.at(row)));
    }
    apply_->setText(text(texts::kLimitsApply));
    clear_->setText(text(texts::kLimitsClear));
    close_->setText(text(texts::kLimitsClose));
}

void LimitsWindow::show_limits_in_force() {
    for (std::size_t row = 0; row < kLimitKinds.size(); ++row) {
        const auto& value = form_.output_limits[kLimitKinds.at(row)];
        entries_.at(row)->setText(value ? QString::fromStdString(limit_number_text(*value))
                                        : QString());
    }
}

void LimitsWindow::apply() {
    // All or nothing: with one box refused, none of the others is taken either, so that
    // the limits in force are always the ones the user has seen applied together.
    OutputLimits limits;
    for (std::size_t row = 0; row < kLimitKinds.size(); ++row) {
        const LimitKind kind = kLimitKinds.at(row);
        const std::string typed = entries_.at(row)->text().trimmed().toStdString();
        if (typed.empty()) {
            continue;
        }
        const LimitValue value = parse_limit(kind, typed);
        if (!value.value) {
            entries_.at(row)->setFocus();
            entries_.at(row)->selectAll();
            form_.show_message(limit_refusal(kind, value.refusal, typed),
                               form_.text(texts::kLimitsErrorTitle));
            return;
        }
        limits[kind] = value.value;
    }
    std::string why;
    if (!form_.set_limits(limits, "window", why)) {
        form_.show_message(why, form_.text(texts::kLimitsErrorTitle));
    }
}

void LimitsWindow::clear_entries() {
    // Only the boxes: taking every limit away is a step of its own, made with Apply.
    for (QLineEdit* entry : entries_) {
        entry->clear();
    }
    entries_.front()->setFocus();
}

} // namespace

void add_limits_tool(const ToolContext& context) {
    add_window_tool<LimitsWindow>(context, "limitsTool");
}

} // namespace kelvo::tools
