// qt/tools/: the step-table tools on the tool strip: steps from and to CSV files, and the ramp.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "program/step_csv.h"
#include "qt/tools/tool.h"

#include <QDialog>
#include <QString>
#include <QStringList>

#include <utility>
#include <vector>

class QComboBox;
class QDoubleSpinBox;
class QLabel;
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

} // namespace kelvo::tools
