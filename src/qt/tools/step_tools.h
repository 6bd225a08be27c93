// qt/tools/: the step-table tools on the tool strip: steps from and to CSV files, and the ramp.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "program/profiles.h"
#include "program/step_csv.h"
#include "qt/tools/tool.h"

#include <QDialog>
#include <QString>
#include <QStringList>

#include <utility>
#include <vector>

class QComboBox;
class QDoubleSpinBox;
class QFormLayout;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;

namespace kelvo::tools {

// A file read for import: its steps, or its problems in the user's words (a file that cannot
// be read has one).
struct StepFileRead {
    std::vector<Step> steps;
    QStringList problems;
};
StepFileRead read_step_file(const QString& path, bool english);

// Writes the step table, read through its record set, to a CSV file as one whole: an empty
// text when done, otherwise why not.
QString write_step_file(Form1& form, const QString& path);

// The ramp's fields; it writes through Form1::apply_steps, so the table's rules hold.
class RampDialog final : public Tool<QDialog> {
public:
    RampDialog(QWidget* parent, Form1& form);
    // Not while a program runs: the dialog stays open, its button waits.
    void set_running(bool running);
    QPushButton* write_button() const { return write_; }

private:
    void retranslate() override;
    void quantity_chosen();
    void write();

    QComboBox* quantity_;
    QDoubleSpinBox* from_;
    QDoubleSpinBox* to_;
    QSpinBox* steps_;
    QSpinBox* seconds_;
    QDoubleSpinBox* held_;
    QRadioButton* append_;
    QRadioButton* replace_;
    QLabel* outcome_;
    QPushButton* write_;
    QPushButton* close_;
    std::vector<std::pair<QLabel*, const texts::Text*>> labels_;
    bool running_ = false;
};

// A test profile from its few figures, shown in words before it is written; it writes through
// Form1::load_profile or Form1::run_profile, so the table's and the limits' rules hold.
class ProfileDialog final : public Tool<QDialog> {
public:
    ProfileDialog(QWidget* parent, Form1& form);
    // Not while a program runs: the dialog stays open, its buttons wait.
    void set_running(bool running);
    QComboBox* kind_box() const { return kind_; }
    QDoubleSpinBox* figure_box(ProfileFigure figure) const {
        for (const FigureBox& field : boxes_) {
            if (field.figure == figure) {
                return field.box;
            }
        }
        return nullptr;
    }
    QPlainTextEdit* preview_box() const { return preview_; }
    QPushButton* write_button() const { return write_; }
    QPushButton* run_button() const { return run_; }
    QLabel* outcome() const { return outcome_; }

private:
    struct FigureBox {
        ProfileFigure figure;
        bool optional;
        QDoubleSpinBox* box;
    };
    void retranslate() override;
    ProfileKind kind() const;
    void kind_chosen();
    void label_fields();
    ProfileFigures figures() const;
    ProfileResult made() const;
    void show_preview();
    void write(bool and_run);

    QComboBox* kind_;
    QLabel* kind_label_;
    QFormLayout* fields_;
    QPlainTextEdit* preview_;
    QLabel* outcome_;
    QPushButton* write_;
    QPushButton* run_;
    QPushButton* close_;
    std::vector<FigureBox> boxes_;
    bool running_ = false;
    bool figures_ok_ = false; // the figures shown make a profile
};

} // namespace kelvo::tools
