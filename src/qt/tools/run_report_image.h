// qt/tools/: the picture of a step program's run beside its record: when a record of a
// program run is saved, the history window's plot of it drawn offscreen and written beside
// its report, never over a file already there.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "qt/tools/tool.h"

#include <QObject>

#include <string>

namespace kelvo::tools {

class RunReportImage final : public Tool<QObject> {
public:
    RunReportImage(QWidget* parent, Form1& form);

    void record_saved(const std::string& record_path, bool program_run) override;

    // The record read back from disk and its plot written at history::report_image_path_of:
    // the empty string, or why not (which the monitor is told too).
    std::string write_image(const std::string& record_path);

    static constexpr int kWidth = 1000;
    static constexpr int kHeight = 600;

private:
    void retranslate() override {}
};

void add_run_report_image(const ToolContext& context);

} // namespace kelvo::tools
