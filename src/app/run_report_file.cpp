// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/run_report_file.h"

#include "app/form1.h"
#include "base/texts.h"
#include "history/run_report.h"

#include <algorithm>

namespace kelvo {

void save_run_report(Form1& form, const std::string& record_path) {
    const std::vector<PeriodEvent>& events = form.period_events;
    const bool program_run = std::any_of(events.begin(), events.end(), [](const PeriodEvent& e) {
        return e.kind == EventKind::StepBegun || e.kind == EventKind::StepEnded;
    });
    if (program_run) {
        const history::RunReport report = history::run_report(form.Text3.text(), events);
        const std::string path = history::report_path_of(record_path);
        // Never over a file already there: a name planted beside the record is refused.
        if (const std::string reason =
                form.Files.write_new_file(path, history::report_text(report, form.english_mode));
            !reason.empty()) {
            form.monitor_line(texts::fill(form.text(texts::kReportNotSaved), {path, reason}));
        }
    }
    form.tell_observers([&record_path, program_run](platform::Observer& o) {
        o.record_saved(record_path, program_run);
    });
}

} // namespace kelvo
