// A profile's text form as a script may send it: whatever the text, it is refused with words
// for each problem, or its figures read back the same from their own text form and make
// either a plan refused in words or steps that RUN accepts under the limits the plan sets
// for its own run, and a preview in both languages.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/limits.h"
#include "check.h"
#include "program/profiles.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

using namespace kelvo;

namespace {

void require_words(const std::vector<ProfileProblem>& problems) {
    for (const ProfileProblem& problem : problems) {
        KELVO_FUZZ_REQUIRE(!describe(problem, true).empty() && !describe(problem, false).empty());
    }
}

bool within_limits(const Step& step) {
    return step.voltage_code >= 0 && step.voltage_code <= limits::kMaxVoltageCode &&
           step.current_code >= 0 && step.current_code <= limits::kMaxCurrentCode &&
           step.seconds >= limits::kMinStepSeconds && step.seconds <= limits::kMaxStepSeconds;
}

// The plan's limits are limits a user could have typed, and its steps keep to them: a run
// that its own limits would refuse could never start.
void check_plan(const ProfilePlan& plan) {
    KELVO_FUZZ_REQUIRE(!plan.steps.empty() &&
                       plan.steps.size() <= static_cast<std::size_t>(limits::kMaxSteps));
    KELVO_FUZZ_REQUIRE(!plan.name.empty());
    for (const LimitKind kind : kLimitKinds) {
        if (const auto& value = plan.limits[kind]) {
            KELVO_FUZZ_REQUIRE(*value >= limit_lowest(kind) && *value <= limit_highest(kind));
        }
    }
    for (const Step& step : plan.steps) {
        KELVO_FUZZ_REQUIRE(within_limits(step));
        KELVO_FUZZ_REQUIRE(step.voltage_code <= plan.limits.voltage_code());
        KELVO_FUZZ_REQUIRE(step.current_code <= plan.limits.current_code());
        const StepCondition& condition = step.condition;
        if (condition.kind != ConditionKind::None) {
            KELVO_FUZZ_REQUIRE(condition.level >= 0 &&
                               condition.level <= condition_highest(condition.kind));
            KELVO_FUZZ_REQUIRE(!condition.longest || *condition.longest >= condition.shortest);
        }
    }
    KELVO_FUZZ_REQUIRE(!preview(plan, true).empty() && !preview(plan, false).empty());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(bytes), size);
    const ProfileParse parse = parse_profile(text);
    require_words(parse.problems);
    if (!parse.ok()) {
        return 0;
    }
    const ProfileParse again = parse_profile(profile_text(parse.figures));
    KELVO_FUZZ_REQUIRE(again.ok() && again.figures == parse.figures);
    const ProfileResult made = make_profile(parse.figures);
    require_words(made.problems);
    if (!made.ok()) {
        KELVO_FUZZ_REQUIRE(made.plan.steps.empty());
        return 0;
    }
    check_plan(made.plan);
    return 0;
}
