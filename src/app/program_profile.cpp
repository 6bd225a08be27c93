// Test profiles: the steps a profile writes into the step table, and the limits its run
// needs, in force from its RUN until the run ends, when the user's come back.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/form1.h"
#include "base/limits.h"
#include "base/texts.h"
#include "settings/setpoint_text.h"

#include <algorithm>

namespace kelvo {

namespace {

// The stricter of the user's limit and the profile's: a profile only ever adds protection.
OutputLimits stricter(const OutputLimits& user, const OutputLimits& profile) {
    OutputLimits merged = user;
    for (const LimitKind kind : kLimitKinds) {
        const auto& own = profile[kind];
        const auto& theirs = user[kind];
        if (own.has_value()) {
            merged[kind] = theirs.has_value() ? std::min(theirs.value(), own.value()) : own.value();
        }
    }
    return merged;
}

} // namespace

bool Form1::load_profile(const ProfilePlan& plan) {
    armed_profile.reset();
    if (!apply_steps(plan.steps, true)) {
        return false;
    }
    armed_profile = plan;
    tell_observers([this](platform::Observer& o) {
        o.remote_event(texts::fill(text(texts::kProfileLoaded), {armed_profile->name}));
    });
    return true;
}

bool Form1::run_profile(const ProfilePlan& plan) {
    if (!load_profile(plan)) {
        return false;
    }
    Command4_Click();
    return program_running;
}

bool Form1::table_is_armed_profile() const {
    if (!armed_profile || armed_profile->steps.size() + 1 != step_table.size()) {
        return false;
    }
    for (std::size_t row = 0; row < armed_profile->steps.size(); ++row) {
        const Step& step = armed_profile->steps[row];
        const int r = static_cast<int>(row);
        if (to_int16(step_cell(1, r) * limits::kCodesPerVolt) != step.voltage_code ||
            to_int16(step_cell(2, r) * limits::kCodesPerAmpere) != step.current_code ||
            to_int16(step_cell(3, r)) != step.seconds || row >= step_conditions.size() ||
            !(step_conditions[row] == step.condition)) {
            return false;
        }
    }
    return true;
}

bool Form1::profile_limits_allow_run() {
    profile_run = false;
    if (!armed_profile) {
        return true;
    }
    // The table was changed since the profile wrote it: it runs as a table of its own.
    if (!table_is_armed_profile()) {
        monitor_line(texts::fill(text(texts::kProfileTableChanged), {armed_profile->name}));
        armed_profile.reset();
        return true;
    }
    const OutputLimits user = output_limits;
    output_limits = stricter(user, armed_profile->limits);
    const std::string refusal = limits_refusal(output_limits);
    const bool within = refusal.empty() && steps_within_limits();
    output_limits = user;
    if (!refusal.empty()) {
        show_message(refusal, text(texts::kLimitsErrorTitle));
    }
    if (within) {
        // One pass: a charge that ended is not begun again.
        Combo5.set_selected_index(1);
        Combo5_Click();
        profile_run = true;
    }
    return within;
}

void Form1::start_profile_run() {
    if (!profile_run || !armed_profile) {
        return;
    }
    limits_before_profile = output_limits;
    log_event(EventKind::ProfileRun, armed_profile->name, armed_profile->settings);
    std::string why;
    set_limits(stricter(output_limits, armed_profile->limits), "profile", why);
    armed_profile.reset();
}

void Form1::end_profile_run() {
    if (!profile_run) {
        return;
    }
    profile_run = false;
    std::string why;
    // The output is off: the user's limits always come back.
    set_limits(limits_before_profile, "profile ended", why);
}

} // namespace kelvo
