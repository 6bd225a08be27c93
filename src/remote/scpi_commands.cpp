// What the commands that set and measure do: each goes through the window's own controls
// and handlers, so the window shows a remote change as if the user had made it.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/form1.h"
#include "base/limits.h"
#include "base/texts.h"
#include "link/protocol.h"
#include "remote/scpi_session.h"
#include "remote/scpi_values.h"
#include "settings/setpoint_text.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace kelvo::remote {

namespace {

// The entries as the window starts with them.
constexpr const char* kStartVoltageText = "00.00V";
constexpr const char* kStartCurrentText = "0.000A";

std::string fixed(double value, int decimals) {
    char buffer[64];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    return std::string(buffer, result.ptr);
}

constexpr double kSecondsPerHour = 3600;
// SCPI's "not a number".
constexpr const char* kNotANumber = "9.91E+37";

} // namespace

std::optional<std::int16_t> Session::setpoint_code_of(std::string_view text, bool voltage) {
    const Parameter parameter =
        parse_parameter(text, voltage ? Quantity::Volts : Quantity::Amperes);
    if (parameter.error != 0) {
        push_error(parameter.error);
        return std::nullopt;
    }
    const std::int16_t limit =
        voltage ? form_.output_limits.voltage_code() : form_.output_limits.current_code();
    if (parameter.bound) {
        // The highest is what the user's limit allows; the lowest and the start are 0.
        return *parameter.bound == Bound::Maximum ? limit : std::int16_t{0};
    }
    const int factor = voltage ? limits::kCodesPerVolt : limits::kCodesPerAmpere;
    const auto code = setpoint_code(parameter.value.value_or(0.0), factor,
                                    voltage ? limits::kMaxVoltageCode : limits::kMaxCurrentCode);
    // Refused here rather than by the window's check: the box it would show is for the
    // user at the window, and the client, who made the mistake, hears of it instead.
    if (!code) {
        push_error(error::kOutOfRange);
    }
    return code;
}

// Above the user's limit: refused, and the set-point stays what it was.
bool Session::within_limit(std::int16_t code, bool voltage) {
    const std::int16_t limit =
        voltage ? form_.output_limits.voltage_code() : form_.output_limits.current_code();
    if (code <= limit) {
        return true;
    }
    const LimitKind kind = voltage ? LimitKind::Voltage : LimitKind::Current;
    const int factor = voltage ? limits::kCodesPerVolt : limits::kCodesPerAmpere;
    push_error(error::kOutOfRange, texts::fill(texts::kScpiAboveLimit.en,
                                               {texts::in(true, limit_name_text(kind)),
                                                limit_value_text(kind, limit / double(factor))}));
    return false;
}

// The entry as the user would have typed it, committed at once.
void Session::apply_setpoint(std::int16_t code, bool voltage) {
    const int factor = voltage ? limits::kCodesPerVolt : limits::kCodesPerAmpere;
    const std::string text = slider_text(code, factor, voltage ? 'V' : 'A');
    if (voltage) {
        form_.Text1.set_text(text);
        form_.SZDYZH(text);
    } else {
        form_.Text2.set_text(text);
        form_.SZDLZH(text);
    }
}

void Session::set_point(const Unit& unit, bool voltage) {
    const auto code = setpoint_code_of(unit.argument, voltage);
    if (!code || refused_while_running() || !within_limit(*code, voltage)) {
        return;
    }
    apply_setpoint(*code, voltage);
    tell(unit);
}

std::string Session::set_point_query(const Unit& unit, bool voltage) {
    if (!unit.argument.empty()) {
        const auto bound = parse_bound(unit.argument);
        if (!bound) {
            push_error(error::kIllegalValue);
            return kNotANumber;
        }
        const int code = *bound != Bound::Maximum ? 0
                         : voltage                ? form_.output_limits.voltage_code()
                                                  : form_.output_limits.current_code();
        return voltage ? fixed(code / double(limits::kCodesPerVolt), 2)
                       : fixed(code / double(limits::kCodesPerAmpere), 3);
    }
    // What goes on the wire: a running program's step, or the set-point.
    if (voltage) {
        const int code = form_.program_running ? form_.step_voltage_code : form_.set_voltage_code;
        return fixed(code / double(limits::kCodesPerVolt), 2);
    }
    const int code = form_.program_running ? form_.step_current_code : form_.set_current_code;
    return fixed(code / double(limits::kCodesPerAmpere), 3);
}

// APPLy V[,I]: both checked before either is set.
void Session::apply(const Unit& unit) {
    const std::string_view text = unit.argument;
    const std::size_t comma = text.find(',');
    const auto trimmed = [](std::string_view part) {
        while (!part.empty() && (part.front() == ' ' || part.front() == '\t')) {
            part.remove_prefix(1);
        }
        while (!part.empty() && (part.back() == ' ' || part.back() == '\t')) {
            part.remove_suffix(1);
        }
        return part;
    };
    const std::string_view volts = trimmed(text.substr(0, comma));
    const std::string_view amps =
        comma == std::string_view::npos ? std::string_view() : trimmed(text.substr(comma + 1));
    if (volts.empty() || (comma != std::string_view::npos && amps.empty()) ||
        amps.find(',') != std::string_view::npos) {
        push_error(error::kSyntax);
        return;
    }
    const auto voltage = setpoint_code_of(volts, true);
    if (!voltage) {
        return;
    }
    std::int16_t current = -1; // none given
    if (!amps.empty()) {
        const auto code = setpoint_code_of(amps, false);
        if (!code) {
            return;
        }
        current = *code;
    }
    if (refused_while_running() || !within_limit(*voltage, true) ||
        (current >= 0 && !within_limit(current, false))) {
        return;
    }
    apply_setpoint(*voltage, true);
    if (current >= 0) {
        apply_setpoint(current, false);
    }
    tell(unit);
}

void Session::switch_output(const Unit& unit) {
    const auto on = parse_switch(unit.argument);
    if (!on) {
        push_error(error::kIllegalValue);
        return;
    }
    // Off is always taken, a running program's output too: the button is locked then, but
    // nothing may keep the output on against a client that asks for it off.
    if (*on == form_.output_on) {
        return;
    }
    if (*on && !form_.device_connected) {
        push_error(error::kSettingsConflict, texts::kScpiNoSupply.en);
        return;
    }
    form_.Command1_Click();
    tell(unit);
}

// CURR:PROT:MODE STEady|TRIP, or CURR:PROT:STAT OFF|ON: the over-current list.
void Session::protection(const Unit& unit, bool by_state) {
    std::optional<std::size_t> choice;
    if (by_state) {
        if (const auto on = parse_switch(unit.argument)) {
            choice = *on ? 1 : 0;
        }
    } else {
        choice = parse_choice(unit.argument, {"STEady", "TRIP"});
    }
    if (!choice) {
        push_error(error::kIllegalValue);
        return;
    }
    form_.Combo4.set_selected_index(static_cast<int>(*choice));
    tell(unit);
}

// VOLT:PROT: the voltage limit. MAXimum and DEFault take it away (the supply's own highest).
void Session::voltage_protection(const Unit& unit) {
    const Parameter parameter = parse_parameter(unit.argument, Quantity::Volts);
    if (parameter.error != 0) {
        push_error(parameter.error);
        return;
    }
    OutputLimits limits = form_.output_limits;
    if (parameter.bound) {
        limits[LimitKind::Voltage] =
            *parameter.bound == Bound::Minimum ? std::optional<double>(0.0) : std::nullopt;
    } else {
        const LimitValue value =
            parse_limit(LimitKind::Voltage, fixed(parameter.value.value_or(0.0), 6));
        if (!value.value) {
            push_error(error::kOutOfRange,
                       limit_refusal(LimitKind::Voltage, value.refusal, unit.argument));
            return;
        }
        limits[LimitKind::Voltage] = value.value;
    }
    std::string why;
    if (!form_.set_limits(limits, "remote", why)) {
        push_error(error::kSettingsConflict, why);
        return;
    }
    tell(unit);
}

std::string Session::voltage_protection_query(const Unit& unit) {
    const std::optional<Bound> bound =
        unit.argument.empty() ? std::nullopt : parse_bound(unit.argument);
    if (!unit.argument.empty() && !bound) {
        push_error(error::kIllegalValue);
        return kNotANumber;
    }
    const int code = bound ? (*bound == Bound::Minimum ? 0 : limits::kMaxVoltageCode)
                           : form_.output_limits.voltage_code();
    return fixed(code / double(limits::kCodesPerVolt), 2);
}

void Session::reset() {
    if (form_.output_on) {
        form_.Command1_Click();
    }
    form_.Text1.set_text(kStartVoltageText);
    form_.SZDYZH(kStartVoltageText);
    form_.Text2.set_text(kStartCurrentText);
    form_.SZDLZH(kStartCurrentText);
    form_.Combo4.set_selected_index(0);
}

std::string Session::measure(Header header) {
    // A reading that did not come from the latest read second is not a measurement: the
    // client gets the error, and SCPI's "not a number" in place of the value so that it
    // is not left waiting for an answer.
    const bool reading = header == Header::MeasureVoltage || header == Header::MeasureCurrent ||
                         header == Header::MeasurePower;
    if (reading && !form_.reading_is_measurement()) {
        push_error(error::kStale, texts::kScpiStaleDetail.en);
        return kNotANumber;
    }
    const double volts = reading_volts(form_.voltage_reading);
    const double amps = reading_amps(form_.current_reading);
    switch (header) {
    case Header::MeasureVoltage:
        return fixed(volts, 2);
    case Header::MeasureCurrent:
        return fixed(amps, 3);
    case Header::MeasurePower:
        return fixed(volts * amps, 3);
    case Header::MeasureCharge:
        return fixed(form_.period_figures().coulombs / kSecondsPerHour, 6);
    default:
        return fixed(form_.period_figures().joules / kSecondsPerHour, 6);
    }
}

void Session::run_program(const Unit& unit) {
    if (unit.header == Header::ProgramStop) {
        if (form_.program_running) {
            form_.Command4_Click();
            tell(unit);
        }
        return;
    }
    if (refused_while_running()) {
        return;
    }
    std::optional<double> count;
    if (!unit.argument.empty()) {
        count = parse_number(unit.argument);
        if (!count) {
            push_error(error::kSyntax);
            return;
        }
        if (*count != std::floor(*count) || *count < 1 || *count > limits::kMaxRuns) {
            push_error(error::kOutOfRange);
            return;
        }
    }
    if (!form_.device_connected) {
        push_error(error::kSettingsConflict, texts::kScpiNoSupply.en);
        return;
    }
    if (count) {
        form_.Combo5.set_text(std::to_string(static_cast<int>(*count)));
    }
    form_.Command4_Click();
    if (!form_.program_running) {
        push_error(error::kSettingsConflict, texts::kScpiRunRefused.en);
        return;
    }
    tell(unit);
}

std::string Session::program_state() const {
    if (form_.program_running) {
        // A step that ends on a condition does not count its seconds down: what is left of
        // it is the time to its longest.
        int left = form_.step_seconds_left;
        const StepCondition condition = form_.running_condition();
        if (condition.kind != ConditionKind::None && condition.longest) {
            left = std::max(0, *condition.longest - form_.step_elapsed);
        }
        return "RUNNING," + std::to_string(form_.step_index + 1) + "," + std::to_string(left);
    }
    return form_.output_on ? "MANUAL" : "IDLE";
}

std::string Session::link() const {
    if (!form_.port_ready) {
        return "NONE";
    }
    return texts::fill(texts::kPortName.en, {std::to_string(form_.port_number)});
}

} // namespace kelvo::remote
