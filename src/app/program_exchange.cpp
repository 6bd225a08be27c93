// program/: steps that come from outside the grid, and the table read out whole.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/form1.h"
#include "base/limits.h"
#include "base/texts.h"
#include "program/step_csv.h"

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
    std::vector<std::array<double, 3>> values;
    values.reserve(steps.size());
    for (const Step& step : steps) {
        values.push_back(step_values(step));
    }
    if (const std::string reason = Adodc1.write_steps(values, replace); !reason.empty()) {
        return refuse(reason);
    }
    return true;
}

std::vector<std::array<FieldValue, 3>> Form1::read_steps() {
    std::vector<std::array<FieldValue, 3>> rows;
    const int fields = std::min(Adodc1.field_count(), 4);
    Adodc1.move_first();
    for (int row = 0; row < Adodc1.record_count(); ++row) {
        std::array<FieldValue, 3>& values = rows.emplace_back();
        for (int field = 1; field < fields; ++field) {
            values.at(static_cast<std::size_t>(field - 1)) = Adodc1.field(field);
        }
        Adodc1.move_next();
    }
    // The grid's current row went along: back to the top.
    Adodc1.move_first();
    return rows;
}

} // namespace kelvo
