// The limits at work on the window model: set and kept, checked where a set-point code is
// made and where a reading arrives, and a period ended through the off-first switch-off.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/form1.h"
#include "base/limits.h"
#include "base/texts.h"
#include "link/protocol.h"
#include "program/step_table.h"
#include "settings/setpoint_text.h"

#include <algorithm>

namespace kelvo {

namespace {

// Readings above the voltage limit in a row that switch the output off: one could be a
// garbled frame that still passed the checks; two are the output.
constexpr int kOverVoltageReadings = 2;
// Rows named in the box that refuses a table; the rest are counted.
constexpr std::size_t kRowsNamed = 8;

std::string rows_text(const std::vector<int>& rows) {
    std::string text;
    for (std::size_t i = 0; i < rows.size() && i < kRowsNamed; ++i) {
        text += (i == 0 ? "" : ", ") + std::to_string(rows[i]);
    }
    if (rows.size() > kRowsNamed) {
        text =
            texts::fill(texts::kRowsAndMore.en, {text, std::to_string(rows.size() - kRowsNamed)});
    }
    return text;
}

} // namespace

std::string Form1::limits_file_path() const {
    const std::string folder = Files.user_data_folder();
    return folder.empty() ? std::string() : folder + "/" + kLimitsFileName;
}

void Form1::load_limits() {
    const std::string path = limits_file_path();
    if (path.empty() || !Files.file_exists(path)) {
        show_limits();
        return;
    }
    const std::optional<std::string> bytes = Files.read_file(path, kLimitsFileMaxBytes);
    std::string why;
    std::optional<OutputLimits> read;
    if (!bytes) {
        why = texts::kLimitsFileNotRegular.en;
    } else {
        read = read_limits_file(*bytes, why);
    }
    if (!read) {
        // Never half-applied: a file that does not read whole gives no limit at all, and
        // the user hears of it before relying on one.
        show_message(texts::fill(text(texts::kLimitsFileDamaged), {path, why}),
                     text(texts::kLimitsErrorTitle));
        show_limits();
        return;
    }
    std::string refused;
    set_limits(*read, "file", refused);
}

std::string Form1::save_limits() {
    const std::string path = limits_file_path();
    if (path.empty()) {
        return texts::kLimitsFileNotRegular.en;
    }
    const std::string folder = Files.user_data_folder();
    if (!Files.folder_exists(folder)) {
        if (std::string reason = Files.create_folder(folder); !reason.empty()) {
            return texts::fill(texts::kReasonAt.en, {folder, reason});
        }
    }
    if (std::string reason = Files.replace_file(path, limits_file_text(output_limits));
        !reason.empty()) {
        return texts::fill(texts::kReasonAt.en, {path, reason});
    }
    return {};
}

std::string Form1::limits_refusal(const OutputLimits& limits) const {
    const std::int16_t volts = limits.voltage_code();
    const std::int16_t amps = limits.current_code();
    const auto name = [](bool voltage) {
        return texts::in(true, limit_name_text(voltage ? LimitKind::Voltage : LimitKind::Current));
    };
    // A limit under what the supply is doing now would either be broken at once or switch
    // the output off unasked: the user lowers the set-point first.
    if (program_running) {
        const int rows = static_cast<int>(step_table.size()) - 1;
        for (int row = 0; row < rows; ++row) {
            const std::int16_t v = to_int16(step_cell(1, row) * limits::kCodesPerVolt);
            const std::int16_t a = to_int16(step_cell(2, row) * limits::kCodesPerAmpere);
            if (v > volts || a > amps) {
                const bool voltage = v > volts;
                return texts::fill(texts::kLimitBelowStep.en,
                                   {name(voltage),
                                    voltage ? voltage_code_text(volts) : current_code_text(amps),
                                    std::to_string(row + 1),
                                    voltage ? voltage_code_text(v) : current_code_text(a)});
            }
        }
    } else if (output_on && (set_voltage_code > volts || set_current_code > amps)) {
        const bool voltage = set_voltage_code > volts;
        return texts::fill(
            texts::kLimitBelowSetpoint.en,
            {name(voltage), voltage ? voltage_code_text(volts) : current_code_text(amps),
             voltage ? voltage_code_text(set_voltage_code) : current_code_text(set_current_code)});
    }
    return {};
}

bool Form1::set_limits(const OutputLimits& limits, const std::string& source, std::string& why) {
    const std::int16_t volts = limits.voltage_code();
    const std::int16_t amps = limits.current_code();
    if (std::string refusal = limits_refusal(limits); !refusal.empty()) {
        why = std::move(refusal);
        return false;
    }
    output_limits = limits;
    over_voltage_readings = 0;
    // With the output off the frame still carries the set-points: one above the new limit
    // comes down to it, so that nothing above it is ever on the wire.
    if (set_voltage_code > volts) {
        const std::string entry = slider_text(volts, limits::kCodesPerVolt, 'V');
        Text1.set_text(entry);
        voltage_source = "limit";
        SZDYZH(entry);
    }
    if (set_current_code > amps) {
        const std::string entry = slider_text(amps, limits::kCodesPerAmpere, 'A');
        Text2.set_text(entry);
        current_source = "limit";
        SZDLZH(entry);
    }
    show_limits();
    log_event(EventKind::LimitsSet, source, limits_summary(output_limits));
    if (source == "window") {
        if (const std::string reason = save_limits(); !reason.empty()) {
            monitor_line(texts::fill(texts::kLimitsFileNotSaved.en, {reason}));
            show_message(texts::fill(texts::kLimitsFileNotSaved.en, {reason}),
                         text(texts::kLimitsErrorTitle));
        }
    }
    tell_observers([](platform::Observer& o) { o.limits_changed(); });
    return true;
}

void Form1::show_limits() {
    std::string parts;
    for (const LimitKind kind : kLimitKinds) {
        if (const auto& value = output_limits[kind]) {
            const std::string shown = limit_value_text(kind, *value);
            const bool highest = kind == LimitKind::Voltage || kind == LimitKind::Current;
            const std::string item = kind == LimitKind::Silence
                                         ? texts::fill(text(texts::kLimitSilenceStrip), {shown})
                                         : std::string(highest ? "≤" : "") + shown;
            parts += (parts.empty() ? "" : "  ") + item;
        }
    }
    LimitsReadout.set_caption(parts.empty() ? std::string()
                                            : texts::fill(text(texts::kLimitsStrip), {parts}));
}

bool Form1::setpoint_allowed(bool voltage, std::int16_t code) {
    const std::int16_t limit =
        voltage ? output_limits.voltage_code() : output_limits.current_code();
    if (code <= limit) {
        return true;
    }
    show_message(
        texts::fill(text(texts::kSetpointAboveLimit),
                    {voltage ? voltage_code_text(code) : current_code_text(code),
                     text(limit_name_text(voltage ? LimitKind::Voltage : LimitKind::Current)),
                     voltage ? voltage_code_text(limit) : current_code_text(limit)}),
        text(voltage ? texts::kVoltageLimitTitle : texts::kCurrentLimitTitle));
    return false;
}

bool Form1::steps_within_limits() {
    const std::int16_t volts = output_limits.voltage_code();
    const std::int16_t amps = output_limits.current_code();
    std::vector<int> high_volts;
    std::vector<int> high_amps;
    const int rows = static_cast<int>(step_table.size()) - 1;
    for (int row = 0; row < rows; ++row) {
        if (to_int16(step_cell(1, row) * limits::kCodesPerVolt) > volts) {
            high_volts.push_back(row + 1);
        }
        if (to_int16(step_cell(2, row) * limits::kCodesPerAmpere) > amps) {
            high_amps.push_back(row + 1);
        }
    }
    if (high_volts.empty() && high_amps.empty()) {
        return true;
    }
    std::string prompt;
    if (!high_volts.empty()) {
        prompt = texts::fill(
            text(texts::kStepsAboveLimit),
            {rows_text(high_volts), text(texts::kLimitVoltageName), voltage_code_text(volts)});
    }
    if (!high_amps.empty()) {
        prompt += (prompt.empty() ? "" : " ") +
                  texts::fill(text(texts::kStepsAboveLimit),
                              {rows_text(high_amps), text(texts::kLimitCurrentName),
                               current_code_text(amps)});
    }
    show_message(prompt, text(texts::kLimitsErrorTitle));
    return false;
}

void Form1::guard_period() {
    if (!output_on) {
        return;
    }
    const double now = Clock.steady_seconds();
    if (const auto& seconds = output_limits[LimitKind::Time];
        seconds && period_meter.elapsed(now) >= *seconds) {
        end_period_by_limit(OffCause::TimeLimit,
                            texts::fill(text(texts::kTimeLimitReason),
                                        {limit_value_text(LimitKind::Time, *seconds)}));
        return;
    }
    // Silence counts from the latest valid reply, or from the switch-on if that came later.
    if (const auto& seconds = output_limits[LimitKind::Silence]; seconds) {
        const double since = std::max(last_answer_seconds, period_meter.started_at());
        if (now - since >= *seconds) {
            end_period_by_limit(OffCause::Silence,
                                texts::fill(text(texts::kSilenceReason),
                                            {limit_value_text(LimitKind::Silence, *seconds)}));
        }
    }
}

void Form1::guard_reading() {
    if (!output_on) {
        over_voltage_readings = 0;
        return;
    }
    if (output_limits[LimitKind::Voltage]) {
        const int code = reading_code(voltage_reading);
        if (code > output_limits.voltage_code()) {
            if (++over_voltage_readings >= kOverVoltageReadings) {
                end_period_by_limit(OffCause::VoltageLimit,
                                    texts::fill(text(texts::kOverVoltageReason),
                                                {voltage_code_text(code),
                                                 voltage_code_text(output_limits.voltage_code())}));
                return;
            }
        } else {
            over_voltage_readings = 0; // a reading within the limit breaks the row
        }
    }
}

void Form1::guard_figures() {
    if (!output_on) {
        return;
    }
    const double hours = 3600;
    if (const auto& mah = output_limits[LimitKind::Charge];
        mah && period_meter.coulombs() / hours * 1000 >= *mah) {
        end_period_by_limit(OffCause::ChargeLimit,
                            texts::fill(text(texts::kChargeLimitReason),
                                        {limit_value_text(LimitKind::Charge, *mah)}));
        return;
    }
    if (const auto& mwh = output_limits[LimitKind::Energy];
        mwh && period_meter.joules() / hours * 1000 >= *mwh) {
        end_period_by_limit(OffCause::EnergyLimit,
                            texts::fill(text(texts::kEnergyLimitReason),
                                        {limit_value_text(LimitKind::Energy, *mwh)}));
    }
}

void Form1::end_period_by_limit(OffCause cause, const std::string& reason) {
    over_voltage_readings = 0;
    off_reason = reason;
    log_event(EventKind::LimitReached, off_cause_name(cause), reason);
    // Off first: the box that says why comes after the "N" is in the frame.
    end_period(cause);
    show_message(texts::fill(text(texts::kLimitOffNote), {reason}), text(texts::kLimitOffTitle));
}

} // namespace kelvo
