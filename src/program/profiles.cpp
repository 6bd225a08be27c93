// program/: the figures of each profile and the plans made of them.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "program/profiles.h"

#include "base/limits.h"
#include "base/texts.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace kelvo {

namespace {

using PF = ProfileFigure;

// A figure off its grid by no more than a float's rounding is on it.
constexpr double kGridNoise = 1e-6;
constexpr int kProfileSecondsPerHour = 3600;
// Seconds of a step before its condition is tested: the first readings, taken before the
// supply has settled (a cell's first current, a device's inrush, a voltage spike of a
// flat nickel cell), cannot end it.
constexpr int kChargeShortest = 30;
constexpr int kNickelShortest = 300;
constexpr int kBurnInShortest = 10;
constexpr int kSweepShortest = 1;
// A NiMH/NiCd step's set voltage stands this far a cell above the end voltage, 10 mV codes:
// the supply stays in constant current until the end voltage is there.
constexpr int kNickelHeadroom = 5;
// The run's time limit stands this far past the steps' longest times, so the steps' own
// ends come first: a minute, and two seconds a step for the display seconds they wait on.
constexpr int kTimeMarginSeconds = 60;
constexpr int kTimeMarginPerStep = 2;
// The Li-ion charge voltages a cell, in 10 mV codes.
constexpr int kLiIonStandard = 420;
constexpr int kLiIonHigh = 435;
// A sweep of 10 mV steps over the whole range always fits the step table.
static_assert(limits::kMaxVoltageCode + 1 <= limits::kMaxSteps);

constexpr FigureFacts kFacts[kProfileFigureCount] = {
    {"cells", &texts::kFigureCells, "", 1},
    {"cell", &texts::kFigureCellVolts, "V", 0.01},
    {"bulk", &texts::kFigureBulkVolts, "V", 0.01},
    {"float", &texts::kFigureFloatVolts, "V", 0.01},
    {"end", &texts::kFigureEndVolts, "V", 0.01},
    {"volts", &texts::kFigureVolts, "V", 0.01},
    {"from", &texts::kFigureFrom, "V", 0.01},
    {"to", &texts::kFigureTo, "V", 0.01},
    {"step", &texts::kFigureStepVolts, "V", 0.01},
    {"current", &texts::kFigureCurrent, "A", 0.001},
    {"limit", &texts::kFigureLimit, "A", 0.001},
    {"taper", &texts::kFigureTaper, "A", 0.001},
    {"level", &texts::kFigureLevel, "A", 0.001},
    {"hours", &texts::kFigureHours, "h", 0},
    {"bulkhours", &texts::kFigureBulkHours, "h", 0},
    {"seconds", &texts::kFigureSeconds, "s", 1},
    {"capacity", &texts::kFigureCapacity, "mAh", 0},
};

constexpr double kAmps = limits::kMaxAmperes;
constexpr double kVolts = limits::kMaxVolts;
constexpr double kYearHours = 8760;

constexpr FigureRule kLiIonRules[] = {
    {PF::Cells, 1, 7, false, 1, nullptr},
    {PF::CellVolts, 4.2, 4.35, false, 4.2, nullptr},
    {PF::Current, 0.001, kAmps, false, 1, nullptr},
    {PF::Taper, 0.001, kAmps, false, 0.1, nullptr},
    {PF::Hours, 0.1, 48, false, 3, &texts::kFigureSafetyHours},
    {PF::Capacity, 1, 1e6, true, 2000, nullptr},
};
constexpr FigureRule kLeadAcidRules[] = {
    {PF::Cells, 1, 12, false, 6, nullptr},
    {PF::BulkVolts, 2.3, 2.5, false, 2.4, nullptr},
    {PF::FloatVolts, 2.2, 2.35, false, 2.25, nullptr},
    {PF::Current, 0.001, kAmps, false, 1, nullptr},
    {PF::Taper, 0.001, kAmps, false, 0.1, nullptr},
    {PF::BulkHours, 0.1, 48, false, 8, nullptr},
    {PF::Hours, 0.1, kYearHours / 2, false, 24, &texts::kFigureFloatHours},
};
constexpr FigureRule kNickelRules[] = {
    {PF::Cells, 1, 20, false, 4, nullptr},
    {PF::EndVolts, 1.3, 1.6, false, 1.45, nullptr},
    {PF::Current, 0.001, kAmps, false, 0.2, nullptr},
    {PF::Hours, 0.1, 48, false, 14, &texts::kFigureChargeHours},
};
constexpr FigureRule kBurnInRules[] = {
    {PF::Volts, 0.01, kVolts, false, 12, nullptr},
    {PF::Limit, 0.001, kAmps, false, 1, nullptr},
    {PF::Level, 0.001, kAmps, false, 0.8, nullptr},
    {PF::Hours, 0.1, kYearHours, false, 48, &texts::kFigureBurnInHours},
};
constexpr FigureRule kSweepRules[] = {
    {PF::From, 0, kVolts, false, 0, nullptr},
    {PF::To, 0, kVolts, false, 5, nullptr},
    {PF::StepVolts, 0.01, kVolts, false, 0.1, nullptr},
    {PF::Seconds, limits::kMinStepSeconds, limits::kMaxStepSeconds, false, 2, nullptr},
    {PF::Limit, 0.001, kAmps, false, 0.1, nullptr},
    {PF::Level, 0.001, kAmps, false, 0.01, nullptr},
};

double given(const ProfileFigures& figures, ProfileFigure which) {
    return figures[which].value_or(0);
}
int profile_volt_code(double volts) {
    return static_cast<int>(std::lround(volts * limits::kCodesPerVolt));
}
int profile_amp_code(double amps) {
    return static_cast<int>(std::lround(amps * limits::kCodesPerAmpere));
}
// Whole seconds, never more than the hours say.
int hour_seconds(double hours) {
    return static_cast<int>(std::floor(hours * kProfileSecondsPerHour + kGridNoise));
}

// A value as the problems and the settings line give it.
std::string figure_value_text(double value) {
    return shortest_text(value);
}

ProfileProblem figure_problem(ProfileKind kind, ProfileProblem::Kind what, ProfileFigure which,
                              double value) {
    ProfileProblem problem;
    problem.kind = what;
    problem.figure = which;
    problem.profile = kind;
    problem.value = figure_value_text(value);
    return problem;
}

bool on_grid(double value, double finest) {
    if (finest <= 0) {
        return true;
    }
    const double steps = value / finest;
    return std::abs(steps - std::round(steps)) <= kGridNoise;
}

// Each figure of the kind: given (unless it may be left out), in range, on its grid.
void check_figures(const ProfileFigures& figures, std::vector<ProfileProblem>& problems) {
    for (const FigureRule& rule : profile_rules(figures.kind)) {
        const std::optional<double>& value = figures[rule.figure];
        if (!value) {
            if (!rule.optional) {
                problems.push_back(
                    figure_problem(figures.kind, ProfileProblem::Kind::Missing, rule.figure, 0));
                problems.back().value.clear();
            }
            continue;
        }
        if (!std::isfinite(*value)) {
            problems.push_back(
                figure_problem(figures.kind, ProfileProblem::Kind::NotANumber, rule.figure, 0));
            problems.back().value = "?";
        } else if (*value < rule.lowest - kGridNoise || *value > rule.highest + kGridNoise) {
            problems.push_back(figure_problem(figures.kind, ProfileProblem::Kind::OutOfRange,
                                              rule.figure, *value));
            problems.back().low = figure_value_text(rule.lowest);
            problems.back().high = figure_value_text(rule.highest);
        } else if (const double finest = figure_facts(rule.figure).finest;
                   !on_grid(*value, finest)) {
            problems.push_back(
                figure_problem(figures.kind, ProfileProblem::Kind::Finer, rule.figure, *value));
            problems.back().bound = figure_value_text(finest);
        }
    }
}

// The one figure that must stay under another (a taper current under the charge current).
void require_below(const ProfileFigures& figures, ProfileFigure low, ProfileFigure high,
                   std::vector<ProfileProblem>& problems) {
    if (given(figures, low) >= given(figures, high) - kGridNoise) {
        ProfileProblem problem =
            figure_problem(figures.kind, ProfileProblem::Kind::NotBelow, low, given(figures, low));
        problem.other = high;
        problem.bound = figure_value_text(given(figures, high));
        problems.push_back(problem);
    }
}

// Cells times the voltage a cell (10 mV codes) must stay within what the supply gives.
void require_total(const ProfileFigures& figures, int total_code,
                   std::vector<ProfileProblem>& problems) {
    if (total_code > limits::kMaxVoltageCode) {
        ProfileProblem problem = figure_problem(figures.kind, ProfileProblem::Kind::TotalVoltage,
                                                PF::Cells, given(figures, PF::Cells));
        problem.bound = voltage_code_text(total_code);
        problem.bound.resize(problem.bound.size() - 2); // without " V": the text has it
        problems.push_back(problem);
    }
}

StepCondition end_on(ConditionKind kind, double level, int shortest, int longest, bool ends_run) {
    return {kind, level, std::min(shortest, longest), longest, ends_run};
}

// A step that ends on its condition; its seconds, which it does not count, show its longest.
Step conditional_step(int voltage_code, int current_code, const StepCondition& condition) {
    const int seconds = std::clamp(condition.longest.value_or(limits::kMinStepSeconds),
                                   limits::kMinStepSeconds, limits::kMaxStepSeconds);
    return {voltage_code, current_code, seconds, condition};
}

void plan_li_ion(const ProfileFigures& figures, ProfileResult& result) {
    const int cells = static_cast<int>(given(figures, PF::Cells));
    const int cell = profile_volt_code(given(figures, PF::CellVolts));
    if (cell != kLiIonStandard && cell != kLiIonHigh) {
        result.problems.push_back(figure_problem(figures.kind, ProfileProblem::Kind::NotOneOf,
                                                 PF::CellVolts, given(figures, PF::CellVolts)));
    }
    require_total(figures, cells * cell, result.problems);
    require_below(figures, PF::Taper, PF::Current, result.problems);
    const int current = profile_amp_code(given(figures, PF::Current));
    result.plan.steps = {
        conditional_step(cells * cell, current,
                         end_on(ConditionKind::CurrentBelow, given(figures, PF::Taper),
                                kChargeShortest, hour_seconds(given(figures, PF::Hours)), true))};
    result.plan.limits[LimitKind::Voltage] = cells * cell / double{limits::kCodesPerVolt};
    result.plan.limits[LimitKind::Current] = figures[PF::Current];
    result.plan.limits[LimitKind::Charge] = figures[PF::Capacity];
}

void plan_lead_acid(const ProfileFigures& figures, ProfileResult& result) {
    const int cells = static_cast<int>(given(figures, PF::Cells));
    const int bulk = cells * profile_volt_code(given(figures, PF::BulkVolts));
    const int hold = cells * profile_volt_code(given(figures, PF::FloatVolts));
    require_total(figures, bulk, result.problems);
    require_below(figures, PF::FloatVolts, PF::BulkVolts, result.problems);
    require_below(figures, PF::Taper, PF::Current, result.problems);
    const int current = profile_amp_code(given(figures, PF::Current));
    // Float ends the run when the current comes back up to the charge current (within a
    // reading's last count): the battery takes all the supply gives, a shorted cell or one
    // running away with its heat.
    const double fault = std::max(current - 1, 1) / double{limits::kCodesPerAmpere};
    result.plan.steps = {
        conditional_step(bulk, current,
                         end_on(ConditionKind::CurrentBelow, given(figures, PF::Taper),
                                kChargeShortest, hour_seconds(given(figures, PF::BulkHours)),
                                false)),
        conditional_step(hold, current,
                         end_on(ConditionKind::CurrentAbove, fault, kChargeShortest,
                                hour_seconds(given(figures, PF::Hours)), true))};
    result.plan.limits[LimitKind::Voltage] = bulk / double{limits::kCodesPerVolt};
    result.plan.limits[LimitKind::Current] = figures[PF::Current];
}

void plan_nickel(const ProfileFigures& figures, ProfileResult& result) {
    const int cells = static_cast<int>(given(figures, PF::Cells));
    const int end = profile_volt_code(given(figures, PF::EndVolts));
    const int ceiling = cells * (end + kNickelHeadroom);
    require_total(figures, ceiling, result.problems);
    result.plan.steps = {conditional_step(
        ceiling, profile_amp_code(given(figures, PF::Current)),
        end_on(ConditionKind::VoltageAbove, cells * end / double{limits::kCodesPerVolt},
               kNickelShortest, hour_seconds(given(figures, PF::Hours)), true))};
    result.plan.limits[LimitKind::Voltage] = ceiling / double{limits::kCodesPerVolt};
    result.plan.limits[LimitKind::Current] = figures[PF::Current];
}

void plan_burn_in(const ProfileFigures& figures, ProfileResult& result) {
    require_below(figures, PF::Level, PF::Limit, result.problems);
    result.plan.steps = {conditional_step(
        profile_volt_code(given(figures, PF::Volts)), profile_amp_code(given(figures, PF::Limit)),
        end_on(ConditionKind::CurrentAbove, given(figures, PF::Level), kBurnInShortest,
               hour_seconds(given(figures, PF::Hours)), true))};
    result.plan.limits[LimitKind::Voltage] = figures[PF::Volts];
    result.plan.limits[LimitKind::Current] = figures[PF::Limit];
}

void plan_sweep(const ProfileFigures& figures, ProfileResult& result) {
    const int from = profile_volt_code(given(figures, PF::From));
    const int to = profile_volt_code(given(figures, PF::To));
    const int step = profile_volt_code(given(figures, PF::StepVolts));
    if (from == to) {
        result.problems.push_back(figure_problem(figures.kind, ProfileProblem::Kind::SameEnds,
                                                 PF::To, given(figures, PF::To)));
        return;
    }
    require_below(figures, PF::Level, PF::Limit, result.problems);
    const int seconds = static_cast<int>(given(figures, PF::Seconds));
    const Step each =
        conditional_step(0, profile_amp_code(given(figures, PF::Limit)),
                         end_on(ConditionKind::CurrentAbove, given(figures, PF::Level),
                                kSweepShortest, seconds, true));
    const int rise = to > from ? step : -step;
    // Every step of the grid from `from` on, and `to` as the last even off the grid.
    for (int volts = from; (to - volts) * rise > 0; volts += rise) {
        result.plan.steps.push_back(each);
        result.plan.steps.back().voltage_code = volts;
    }
    result.plan.steps.push_back(each);
    result.plan.steps.back().voltage_code = to;
    result.plan.limits[LimitKind::Voltage] = std::max(from, to) / double{limits::kCodesPerVolt};
    result.plan.limits[LimitKind::Current] = figures[PF::Limit];
}

// The run's time limit: past the sum of the steps' longest times; refused beyond a year.
void limit_time(const ProfileFigures& figures, ProfileResult& result) {
    long long seconds = kTimeMarginSeconds;
    for (const Step& step : result.plan.steps) {
        seconds += step.condition.longest.value_or(step.seconds) + kTimeMarginPerStep;
    }
    if (static_cast<double>(seconds) > limit_highest(LimitKind::Time)) {
        const PF driver = figures.kind == ProfileKind::Sweep ? PF::Seconds : PF::Hours;
        ProfileProblem problem = figure_problem(figures.kind, ProfileProblem::Kind::TooLong, driver,
                                                given(figures, driver));
        problem.bound = std::to_string(seconds);
        result.problems.push_back(problem);
        return;
    }
    result.plan.limits[LimitKind::Time] = static_cast<double>(seconds);
}

// "cells=2, cell=4.2 V, current=1 A, taper=0.1 A, hours=3 h".
std::string settings_line(const ProfileFigures& figures) {
    std::string line;
    for (const FigureRule& rule : profile_rules(figures.kind)) {
        if (const auto& value = figures[rule.figure]) {
            const FigureFacts& facts = figure_facts(rule.figure);
            line += (line.empty() ? "" : ", ") + std::string(facts.key) + '=' +
                    figure_value_text(*value) + (*facts.unit != '\0' ? " " : "") + facts.unit;
        }
    }
    return line;
}

} // namespace

std::span<const FigureRule> profile_rules(ProfileKind kind) {
    switch (kind) {
    case ProfileKind::LiIon:
        return kLiIonRules;
    case ProfileKind::LeadAcid:
        return kLeadAcidRules;
    case ProfileKind::NickelHydride:
        return kNickelRules;
    case ProfileKind::BurnIn:
        return kBurnInRules;
    case ProfileKind::Sweep:
        break;
    }
    return kSweepRules;
}

const FigureFacts& figure_facts(ProfileFigure which) {
    return kFacts[static_cast<std::size_t>(which)];
}

const texts::Text& figure_label(ProfileKind kind, ProfileFigure which) {
    for (const FigureRule& rule : profile_rules(kind)) {
        if (rule.figure == which && rule.label != nullptr) {
            return *rule.label;
        }
    }
    return *figure_facts(which).label;
}

ProfileResult make_profile(const ProfileFigures& figures) {
    ProfileResult result;
    check_figures(figures, result.problems);
    if (!result.problems.empty()) {
        return result;
    }
    switch (figures.kind) {
    case ProfileKind::LiIon:
        plan_li_ion(figures, result);
        break;
    case ProfileKind::LeadAcid:
        plan_lead_acid(figures, result);
        break;
    case ProfileKind::NickelHydride:
        plan_nickel(figures, result);
        break;
    case ProfileKind::BurnIn:
        plan_burn_in(figures, result);
        break;
    case ProfileKind::Sweep:
        plan_sweep(figures, result);
        break;
    }
    if (result.problems.empty()) {
        limit_time(figures, result);
    }
    if (!result.problems.empty()) {
        result.plan = {};
        return result;
    }
    result.plan.name = profile_name(figures.kind).en;
    result.plan.settings = settings_line(figures);
    return result;
}

} // namespace kelvo
