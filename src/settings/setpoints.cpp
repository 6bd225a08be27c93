#include "app/form1.h"
#include "app/texts.h"
#include "settings/setpoint_text.h"

namespace kelvo {

namespace {

// The code a set-point text stands for, or nothing when it is out of range. The range is
// tested on the unrounded product, so 31 V (3100) passes and 31.01 V (3101) does not.
std::optional<std::int16_t> setpoint_code(const std::string& text, double factor, double limit) {
    const double product = leading_number(text) * factor;
    if (product > limit || product < 0) {
        return std::nullopt;
    }
    return to_int16(product);
}

} // namespace

void Form1::SZDYZH(const std::string& text) {
    if (const auto code = setpoint_code(text, 100, 3100)) {
        voltage_text = text;
        set_voltage_code = *code;
        return;
    }
    show_message(texts::kVoltageRangePrompt, texts::kVoltageErrorTitle);
    Text1.set_text(voltage_text);
}

void Form1::SZDLZH(const std::string& text) {
    if (const auto code = setpoint_code(text, 1000, 5100)) {
        current_text = text;
        set_current_code = *code;
        return;
    }
    show_message(texts::kCurrentRangePrompt, texts::kCurrentErrorTitle);
    Text2.set_text(current_text);
}

void Form1::commit_typed_setpoints() {
    // An entry takes effect once its box has been left alone for 31 ticks.
    if (voltage_edit_idle_ticks > 30) {
        if (Text1.text().find('V') == std::string::npos) {
            Text1.set_text(Text1.text() + "V");
        }
        if (Text_err(Text1.text(), 'V')) {
            show_message(texts::kVoltageRangePrompt, texts::kVoltageErrorTitle);
            Text1.set_text(voltage_text);
        } else {
            SZDYZH(Text1.text());
        }
    }
    if (current_edit_idle_ticks > 30) {
        if (Text2.text().find('A') == std::string::npos) {
            Text2.set_text(Text2.text() + "A");
        }
        if (Text_err(Text2.text(), 'A')) {
            show_message(texts::kCurrentRangePrompt, texts::kCurrentErrorTitle);
            Text2.set_text(current_text);
        } else {
            SZDLZH(Text2.text());
        }
    }
}

void Form1::Text1_Change() {
    voltage_edit_idle_ticks = 0;
}

void Form1::Text2_Change() {
    current_edit_idle_ticks = 0;
}

} // namespace kelvo
