// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/form1.h"
#include "base/limits.h"
#include "base/texts.h"
#include "settings/setpoint_text.h"

namespace kelvo {

void Form1::SZDYZH(const std::string& text) {
    const auto code =
        setpoint_code(leading_number(text), limits::kCodesPerVolt, limits::kMaxVoltageCode);
    // Above the user's limit it never reaches the frame: the entry comes back as a refused
    // one does, with a box that names the limit.
    if (code && setpoint_allowed(true, *code)) {
        voltage_text = text;
        set_voltage_code = *code;
        if (remote_acting) {
            voltage_source = "remote";
        }
        return;
    }
    if (!code) {
        show_message(Form1::text(texts::kVoltageRangePrompt),
                     Form1::text(texts::kVoltageErrorTitle));
    }
    Text1.set_text(voltage_text);
}

void Form1::SZDLZH(const std::string& text) {
    const auto code =
        setpoint_code(leading_number(text), limits::kCodesPerAmpere, limits::kMaxCurrentCode);
    if (code && setpoint_allowed(false, *code)) {
        current_text = text;
        set_current_code = *code;
        if (remote_acting) {
            current_source = "remote";
        }
        return;
    }
    if (!code) {
        show_message(Form1::text(texts::kCurrentRangePrompt),
                     Form1::text(texts::kCurrentErrorTitle));
    }
    Text2.set_text(current_text);
}

void Form1::commit_typed_setpoints() {
    // An entry takes effect once its box has been left alone for 31 ticks.
    if (voltage_edit_idle_ticks > limits::kEntrySettleTicks) {
        voltage_source = "typed";
        commit_entry(Text1, 'V', text(texts::kVoltageRangePrompt), text(texts::kVoltageErrorTitle),
                     voltage_text, &Form1::SZDYZH);
    }
    if (current_edit_idle_ticks > limits::kEntrySettleTicks) {
        commit_entry(Text2, 'A', text(texts::kCurrentRangePrompt), text(texts::kCurrentErrorTitle),
                     current_text, &Form1::SZDLZH);
    }
}

void Form1::commit_entry(platform::TextBox& box, char unit, const char* prompt, const char* title,
                         const std::string& accepted, void (Form1::*convert)(const std::string&)) {
    if (box.text().find(unit) == std::string::npos) {
        box.set_text(box.text() + unit);
    }
    if (Text_err(box.text(), unit)) {
        show_message(prompt, title);
        box.set_text(accepted);
    } else {
        (this->*convert)(box.text());
    }
}

void Form1::Text1_Change() {
    voltage_edit_idle_ticks = 0;
}

void Form1::Text2_Change() {
    current_edit_idle_ticks = 0;
    // Typed, unless a preset or the slider wrote it (they say so after the change).
    current_source = "typed";
}

} // namespace kelvo
