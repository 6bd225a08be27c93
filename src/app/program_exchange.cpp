// program/: steps that come from outside the grid, and the table read out whole.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/form1.h"
#include "base/limits.h"
#include "base/texts.h"
#include "program/step_csv.h"
#include "program/step_table.h"

#include <algorithm>

namespace kelvo {

bool Form1::apply_steps(const std::vector<Step>& steps, bool replace) {
    const auto refuse = [this](const std::string& reason) {
        report(platform::Severity::Box, texts::fill(text(texts::kStepsNotChanged), {reason}),
               text(texts::kProductName));
        return false;
    };
    // The running program works on the copy it took at RUN, which must stay what the
    // grid shows.
    if (program_running) {
        return refuse(text(texts::kStepsInUse));
    }
    const long long total =
        static_cast<long long>(steps.size()) + (replace ? 0 : Adodc1.record_count());
    if (total > limits::kMaxSteps) {
        return refuse(texts::fill(text(texts::kTableWouldOverflow),
                                  {std::to_string(total), std::to_string(limits::kMaxSteps)}));
    }
    std::vector<platform::StepRow> values;
    values.reserve(steps.size());
    for (const Step& step : steps) {
        values.push_back({step_values(step), condition_cells(step.condition)});
    }
    if (const std::string reason = Adodc1.write_steps(values, replace); !reason.empty()) {
        return refuse(reason);
    }
    return true;
}

std::vector<TableRow> Form1::read_steps() {
    std::vector<TableRow> rows;
    const int fields = std::min(Adodc1.field_count(), 4);
    const std::array<int, kConditionCells> conditions = condition_fields(Adodc1);
    Adodc1.move_first();
    for (int row = 0; row < Adodc1.record_count(); ++row) {
        TableRow& cells = rows.emplace_back();
        for (int field = 1; field < fields; ++field) {
            cells.values.at(static_cast<std::size_t>(field - 1)) = Adodc1.field(field);
        }
        for (std::size_t cell = 0; cell < conditions.size(); ++cell) {
            if (conditions.at(cell) >= 0) {
                cells.condition.at(cell) = Adodc1.field(conditions.at(cell));
            }
        }
        Adodc1.move_next();
    }
    // The grid's current row went along: back to the top.
    Adodc1.move_first();
    return rows;
}

} // namespace kelvo
