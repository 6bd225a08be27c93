// Remote control: step tables and profiles from a script, and why the last run ended.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/form1.h"
#include "base/texts.h"
#include "program/profiles.h"
#include "program/step_csv.h"
#include "remote/scpi_session.h"

#include <algorithm>

namespace kelvo::remote {

namespace {

// An answer as a string: quoted, a quote inside doubled.
std::string quoted(const std::string& text) {
    std::string out = "\"";
    for (const char c : text) {
        out += c;
        if (c == '"') {
            out += '"';
        }
    }
    return out + '"';
}

} // namespace

std::optional<std::string> Session::string_parameter(const Unit& unit) {
    std::optional<std::string> text = parse_string(unit.argument);
    if (!text) {
        push_error(error::kSyntax, texts::kScpiStringExpected.en);
    }
    return text;
}

void Session::program_table(const Unit& unit) {
    std::optional<std::string> text = string_parameter(unit);
    if (!text || refused_while_running()) {
        return;
    }
    // A line end cannot stand in a command line: "|" stands for it.
    std::replace(text->begin(), text->end(), '|', '\n');
    const StepFile file = parse_step_csv(*text);
    if (!file.valid()) {
        push_error(error::kIllegalValue, describe(file.problems.front(), true));
        return;
    }
    if (!form_.apply_steps(file.steps, true)) {
        push_error(error::kSettingsConflict, texts::kScpiStepsNotWritten.en);
        return;
    }
    tell(unit);
}

std::string Session::program_profile(const Unit& unit) {
    if (unit.query) {
        return quoted(form_.armed_profile ? form_.armed_profile->name : std::string());
    }
    const std::optional<std::string> text = string_parameter(unit);
    if (!text || refused_while_running()) {
        return {};
    }
    // The figures are read, then checked; the first problem is the one a script hears.
    const ProfileParse parsed = parse_profile(*text);
    if (!parsed.ok()) {
        push_error(error::kIllegalValue, describe(parsed.problems.front(), true));
        return {};
    }
    const ProfileResult made = make_profile(parsed.figures);
    if (!made.ok()) {
        push_error(error::kIllegalValue, describe(made.problems.front(), true));
        return {};
    }
    if (!form_.load_profile(made.plan)) {
        push_error(error::kSettingsConflict, texts::kScpiStepsNotWritten.en);
        return {};
    }
    tell(unit);
    return {};
}

std::string Session::program_end() const {
    return quoted(form_.last_run_end) + "," + quoted(form_.last_step_end);
}

} // namespace kelvo::remote
