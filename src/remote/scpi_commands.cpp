// What the commands that set and measure do: each goes through the window's own controls
// and handlers, so the window shows a remote change as if the user had made it.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/form1.h"
#include "base/limits.h"
#include "base/texts.h"
#include "link/protocol.h"
#include "remote/scpi_session.h"
#include "settings/setpoint_text.h"

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

void Session::set_point(const Unit& unit, bool voltage) {
    const auto value = parse_number(unit.argument);
    if (!value) {
        push_error(error::kSyntax);
        return;
    }
    if (refused_while_running()) {
        return;
    }
    const int factor = voltage ? limits::kCodesPerVolt : limits::kCodesPerAmpere;
    const auto code =
        setpoint_code(*value, factor, voltage ? limits::kMaxVoltageCode : limits::kMaxCurrentCode);
    // Refused here rather than by the window's check: the box it would show is for the
    // user at the window, and the client, who made the mistake, hears of it instead.
    if (!code) {
        push_error(error::kOutOfRange);
        return;
    }
    // Above the user's limit: refused, and the set-point stays what it was.
    const std::int16_t limit =
        voltage ? form_.output_limits.voltage_code() : form_.output_limits.current_code();
    if (*code > limit) {
        const LimitKind kind = voltage ? LimitKind::Voltage : LimitKind::Current;
        push_error(error::kOutOfRange,
                   texts::fill(texts::kScpiAboveLimit.en,
                               {texts::in(true, limit_name_text(kind)),
                                limit_value_text(kind, limit / double(factor))}));
        return;
    }
    // The entry as the user would have typed it, committed at once.
    const std::string text = slider_text(*code, factor, voltage ? 'V' : 'A');
    if (voltage) {
        form_.Text1.set_text(text);
        form_.SZDYZH(text);
    } else {
        form_.Text2.set_text(text);
        form_.SZDLZH(text);
    }
    tell(unit);
}

std::string Session::set_point_query(bool voltage) const {
    // What goes on the wire: a running program's step, or the set-point.
    if (voltage) {
        const int code = form_.program_running ? form_.step_voltage_code : form_.set_voltage_code;
        return fixed(code / double(limits::kCodesPerVolt), 2);
    }
    const int code = form_.program_running ? form_.step_current_code : form_.set_current_code;
    return fixed(code / double(limits::kCodesPerAmpere), 3);
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

void Session::protection(const Unit& unit) {
    const auto choice = parse_choice(unit.argument, {"STEady", "TRIP"});
    if (!choice) {
        push_error(error::kIllegalValue);
        return;
    }
    form_.Combo4.set_selected_index(static_cast<int>(*choice));
    tell(unit);
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
        return "RUNNING," + std::to_string(form_.step_index + 1) + "," +
               std::to_string(form_.step_seconds_left);
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
