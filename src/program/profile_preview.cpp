// program/: what a plan will do, in words: a line a step and the limits of its run.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/limits.h"
#include "base/texts.h"
#include "program/profiles.h"

#include <cstdio>

namespace kelvo {

namespace {

// A long plan (a sweep) shows its first steps and its last.
constexpr std::size_t kPreviewFirstSteps = 8;

const texts::Text& condition_words(ConditionKind kind) {
    switch (kind) {
    case ConditionKind::CurrentBelow:
        return texts::kPreviewCurrentBelow;
    case ConditionKind::CurrentAbove:
        return texts::kPreviewCurrentAbove;
    case ConditionKind::VoltageBelow:
        return texts::kPreviewVoltageBelow;
    case ConditionKind::VoltageAbove:
        return texts::kPreviewVoltageAbove;
    case ConditionKind::PowerBelow:
        return texts::kPreviewPowerBelow;
    case ConditionKind::PowerAbove:
        return texts::kPreviewPowerAbove;
    case ConditionKind::ChargeAbove:
        return texts::kPreviewChargeAbove;
    default:
        break;
    }
    return texts::kPreviewEnergyAbove;
}

// "0.100 A", "8.40 V", "2.5 W", "1200 mAh": the level as the supply's figures are shown.
std::string preview_level(const StepCondition& condition) {
    char text[64];
    switch (condition.kind) {
    case ConditionKind::CurrentBelow:
    case ConditionKind::CurrentAbove:
        std::snprintf(text, sizeof text, "%.3f A", condition.level);
        return text;
    case ConditionKind::VoltageBelow:
    case ConditionKind::VoltageAbove:
        std::snprintf(text, sizeof text, "%.2f V", condition.level);
        return text;
    default:
        break;
    }
    return shortest_text(condition.level) + ' ' + condition_unit(condition.kind);
}

// The plan's name in the language chosen: the name is kept in English.
std::string plan_name(const ProfilePlan& plan, bool english) {
    for (const ProfileKind kind : kProfileKinds) {
        if (plan.name == profile_name(kind).en) {
            return texts::in(english, profile_name(kind));
        }
    }
    return plan.name;
}

std::string step_line(const ProfilePlan& plan, std::size_t index, bool english) {
    const Step& step = plan.steps[index];
    return texts::fill(texts::in(english, texts::kPreviewStep),
                       {std::to_string(index + 1), voltage_code_text(step.voltage_code),
                        current_code_text(step.current_code),
                        step_end_words(step, index + 1 == plan.steps.size(), english)});
}

std::string limit_words(const OutputLimits& limits, bool english) {
    std::string items;
    for (const LimitKind kind : kLimitKinds) {
        if (const auto& value = limits[kind]) {
            const std::string shown = kind == LimitKind::Time
                                          ? duration_words(static_cast<int>(*value), english)
                                          : limit_value_text(kind, *value);
            items += (items.empty() ? ""
                      : english     ? ", "
                                    : "，") +
                     texts::fill(texts::in(english, texts::kPreviewLimitItem),
                                 {texts::in(english, limit_name_text(kind)), shown});
        }
    }
    return items;
}

} // namespace

std::string duration_words(int seconds, bool english) {
    const int hours = seconds / 3600;
    const int minutes = seconds % 3600 / 60;
    const int rest = seconds % 60;
    std::string words;
    const auto add = [&words, english](int count, const texts::Text& unit) {
        words += (words.empty() ? "" : " ") +
                 texts::fill(texts::in(english, unit), {std::to_string(count)});
    };
    if (hours > 0) {
        add(hours, texts::kDurationHours);
    }
    if (minutes > 0) {
        add(minutes, texts::kDurationMinutes);
    }
    if (rest > 0 || words.empty()) {
        add(rest, texts::kDurationSeconds);
    }
    return words;
}

std::string step_end_words(const Step& step, bool last, bool english) {
    const StepCondition& condition = step.condition;
    if (condition.kind == ConditionKind::None) {
        return texts::fill(texts::in(english, texts::kPreviewLasts),
                           {duration_words(step.seconds, english)});
    }
    const std::string when = texts::fill(texts::in(english, condition_words(condition.kind)),
                                         {preview_level(condition)});
    std::string words = texts::fill(texts::in(english, texts::kPreviewEndsWhen),
                                    {when, duration_words(condition.shortest, english)});
    if (condition.ends_run) {
        words += texts::in(english, texts::kPreviewAndRun);
    }
    if (condition.longest) {
        words += texts::fill(
            texts::in(english, last ? texts::kPreviewLongestLast : texts::kPreviewLongestNext),
            {duration_words(*condition.longest, english)});
    }
    return words;
}

std::string preview(const ProfilePlan& plan, bool english) {
    std::string text = texts::fill(texts::in(english, texts::kPreviewPlan),
                                   {plan_name(plan, english), std::to_string(plan.steps.size())});
    const std::size_t count = plan.steps.size();
    for (std::size_t index = 0; index < count; ++index) {
        if (index == kPreviewFirstSteps && count > kPreviewFirstSteps + 1) {
            text += '\n' + texts::fill(texts::in(english, texts::kPreviewMore),
                                       {std::to_string(count - kPreviewFirstSteps - 1)});
            index = count - 1;
        }
        text += '\n' + step_line(plan, index, english);
    }
    if (const std::string limits = limit_words(plan.limits, english); !limits.empty()) {
        text += '\n' + texts::fill(texts::in(english, texts::kPreviewLimits), {limits});
    }
    return text;
}

} // namespace kelvo
