// program/: a step's values against RUN's limits, problems in the user's words, the ramp.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/limits.h"
#include "base/texts.h"
#include "program/step_csv.h"

#include <charconv>
#include <cmath>

namespace kelvo {

namespace {

// A code within this much of a whole one is that code: the rounding of a decimal fraction
// in a double, not a finer value.
constexpr double kRoundingNoise = 1e-6;

struct Bounds {
    int low;  // in codes
    int high; // in codes
    double codes_per_unit;
    const char* unit;
    const char* code_step; // the finest step, in words
};

Bounds bounds(Quantity quantity) {
    switch (quantity) {
    case Quantity::Voltage:
        return {0, limits::kMaxVoltageCode, limits::kCodesPerVolt, "V", "10 mV"};
    case Quantity::Current:
        return {0, limits::kMaxCurrentCode, limits::kCodesPerAmpere, "A", "1 mA"};
    case Quantity::Seconds:
        break;
    }
    return {limits::kMinStepSeconds, limits::kMaxStepSeconds, 1, "s", "1 s"};
}

std::string in_units(Quantity quantity, int code) {
    const Bounds limit = bounds(quantity);
    return shortest_text(code / limit.codes_per_unit) + ' ' + limit.unit;
}

const texts::Text& quantity_name(Quantity quantity) {
    switch (quantity) {
    case Quantity::Voltage:
        return texts::kStepVoltage;
    case Quantity::Current:
        return texts::kStepCurrent;
    case Quantity::Seconds:
        break;
    }
    return texts::kStepSeconds;
}

std::string where(const StepProblem& problem, bool english) {
    if (problem.line > 0) {
        return texts::fill(texts::in(english, texts::kAtLine), {std::to_string(problem.line)});
    }
    switch (problem.field) {
    case RampField::None:
        return {};
    case RampField::From:
        return texts::in(english, texts::kAtFrom);
    case RampField::To:
        return texts::in(english, texts::kAtTo);
    case RampField::Held:
        return texts::in(english, texts::kAtHeld);
    case RampField::Seconds:
        return texts::in(english, texts::kAtSecondsPerStep);
    case RampField::Steps:
        break;
    }
    return texts::in(english, texts::kAtStepCount);
}

std::string what(const StepProblem& problem, bool english) {
    using Kind = StepProblem::Kind;
    const auto say = [english](const texts::Text& text) { return texts::in(english, text); };
    const std::string name = say(quantity_name(problem.quantity));
    const Bounds limit = bounds(problem.quantity);
    const std::string value = problem.value + ' ' + limit.unit;
    switch (problem.kind) {
    case Kind::EmptyFile:
        return say(texts::kFileHasNothing);
    case Kind::HeaderOnly:
        return say(texts::kFileHeaderOnly);
    case Kind::UnknownColumn:
        return texts::fill(say(texts::kUnknownColumn), {problem.value});
    case Kind::ColumnTwice:
        return texts::fill(say(texts::kColumnTwice), {problem.value});
    case Kind::NoColumn:
        return texts::fill(say(texts::kNoColumn), {name});
    case Kind::ExtraFields:
        return say(texts::kExtraFields);
    case Kind::NoValue:
        return texts::fill(say(texts::kNoValue), {name});
    case Kind::NotANumber:
        return texts::fill(say(texts::kNotANumber), {name, problem.value});
    case Kind::Below:
        return texts::fill(say(texts::kBelowLimit),
                           {name, value, in_units(problem.quantity, limit.low)});
    case Kind::Above:
        return texts::fill(say(texts::kAboveLimit),
                           {name, value, in_units(problem.quantity, limit.high)});
    case Kind::FinerThanCode:
        return texts::fill(say(texts::kFinerThanCode), {name, value, limit.code_step});
    case Kind::NotWhole:
        return texts::fill(say(texts::kNotWhole), {name, value});
    case Kind::TooManySteps:
        return texts::fill(say(texts::kTooManyFileSteps), {std::to_string(limits::kMaxSteps)});
    case Kind::Condition:
        return describe(problem.condition, english);
    case Kind::StepCount:
        break;
    }
    return texts::fill(say(texts::kStepCountRange),
                       {problem.value, std::to_string(limits::kMaxSteps)});
}

// a / b to the nearest whole number, halves away from zero; b > 0.
long long divide_rounded(long long a, long long b) {
    return a >= 0 ? (2 * a + b) / (2 * b) : -((-2 * a + b) / (2 * b));
}

} // namespace

std::string shortest_text(double value) {
    std::array<char, 64> buffer{};
    char* const first = buffer.data();
    char* const last = first + buffer.size();
    // Plain decimals as people write them ("0.0001", not "1e-04"), unless that is too long.
    auto written = std::to_chars(first, last, value, std::chars_format::fixed);
    if (written.ec != std::errc()) {
        written = std::to_chars(first, last, value);
    }
    return {first, written.ptr};
}

std::string describe(const StepProblem& problem, bool english) {
    const std::string place = where(problem, english);
    const std::string text = what(problem, english);
    return place.empty() ? text : texts::fill(texts::in(english, texts::kProblemAt), {place, text});
}

CheckedValue check_value(Quantity quantity, double value) {
    const Bounds limit = bounds(quantity);
    const auto refuse = [&](StepProblem::Kind kind) {
        return CheckedValue{
            0, StepProblem{kind, 0, RampField::None, quantity, shortest_text(value), {}}};
    };
    if (!std::isfinite(value)) {
        return refuse(StepProblem::Kind::NotANumber);
    }
    const double codes = value * limit.codes_per_unit;
    if (codes < limit.low - kRoundingNoise) {
        return refuse(StepProblem::Kind::Below);
    }
    if (codes > limit.high + kRoundingNoise) {
        return refuse(StepProblem::Kind::Above);
    }
    const double nearest = std::round(codes);
    if (std::abs(codes - nearest) > kRoundingNoise) {
        return refuse(quantity == Quantity::Seconds ? StepProblem::Kind::NotWhole
                                                    : StepProblem::Kind::FinerThanCode);
    }
    return {static_cast<int>(nearest), std::nullopt};
}

std::array<double, 3> step_values(const Step& step) {
    return {static_cast<double>(step.voltage_code) / limits::kCodesPerVolt,
            static_cast<double>(step.current_code) / limits::kCodesPerAmpere,
            static_cast<double>(step.seconds)};
}

RampSteps make_ramp(const Ramp& ramp) {
    RampSteps made;
    const auto code = [&made](RampField field, Quantity quantity, double value) {
        CheckedValue checked = check_value(quantity, value);
        if (checked.problem) {
            checked.problem->field = field;
            made.problems.push_back(*checked.problem);
        }
        return checked.code;
    };
    const bool voltage = ramp.swept != Quantity::Current;
    const Quantity held = voltage ? Quantity::Current : Quantity::Voltage;
    const Quantity swept = voltage ? Quantity::Voltage : Quantity::Current;
    const int from = code(RampField::From, swept, ramp.from);
    const int to = code(RampField::To, swept, ramp.to);
    const int held_code = code(RampField::Held, held, ramp.held);
    const int seconds = code(RampField::Seconds, Quantity::Seconds, ramp.seconds);
    if (ramp.steps < 2 || ramp.steps > limits::kMaxSteps) {
        made.problems.push_back({StepProblem::Kind::StepCount,
                                 0,
                                 RampField::Steps,
                                 Quantity::Seconds,
                                 std::to_string(ramp.steps),
                                 {}});
    }
    if (!made.problems.empty()) {
        return made;
    }
    const long long last = ramp.steps - 1;
    for (long long index = 0; index <= last; ++index) {
        const auto swept_code = static_cast<int>(from + divide_rounded((to - from) * index, last));
        made.steps.push_back(voltage ? Step{swept_code, held_code, seconds, {}}
                                     : Step{held_code, swept_code, seconds, {}});
    }
    return made;
}

} // namespace kelvo
