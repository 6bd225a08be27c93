// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/form1.h"
#include "base/limits.h"
#include "base/texts.h"
#include "settings/setpoint_text.h"

namespace kelvo {

void Form1::Combo1_Click() {
    Text1.set_text(Combo1.text());
    apply_voltage_choice("preset");
}

void Form1::Slider1_Change() {
    // The slider stops at the user's limit: moved back to it, which comes here again.
    if (Slider1.value() > output_limits.voltage_code()) {
        Slider1.set_value(output_limits.voltage_code());
        return;
    }
    Text1.set_text(slider_text(Slider1.value(), limits::kCodesPerVolt, 'V'));
    apply_voltage_choice("slider");
}

// A voltage from a preset or the slider goes out at once; a text that fails the check
// falls back to 0 V without a message.
void Form1::apply_voltage_choice(const char* source) {
    if (Text1.text().find('V') == std::string::npos) {
        Text1.set_text(Text1.text() + "V");
    }
    if (Text_err(Text1.text(), 'V')) {
        Text1.set_text("00.00V");
        return;
    }
    voltage_source = source;
    SZDYZH(Text1.text());
}

void Form1::Combo2_Click() {
    Text2.set_text(Combo2.text());
    current_source = "preset";
}

void Form1::Slider2_Change() {
    if (Slider2.value() > output_limits.current_code()) {
        Slider2.set_value(output_limits.current_code());
        return;
    }
    Text2.set_text(slider_text(Slider2.value(), limits::kCodesPerAmpere, 'A'));
    current_source = "slider";
}

void Form1::Combo4_Click() {
    trip_on_over_current = Combo4.selected_index() == 1;
}

void Form1::Command1_Click() {
    if (output_on) {
        end_period(remote_acting ? OffCause::Remote : OffCause::Button);
        Command1.set_back_color(std::nullopt);
        return;
    }
    // Switching on needs an answering supply; without one the press is ignored.
    if (!device_connected) {
        return;
    }
    chart_sample_index = 0;
    output_on = true;
    Command1.set_back_color(platform::kGreen);
    Command1.set_caption(text(texts::kOff));
    begin_record_log();
}

// The manual controls: locked while a step program runs.
void Form1::set_front_panel_enabled(bool enabled) {
    Command1.set_enabled(enabled);
    Slider1.set_enabled(enabled);
    Slider2.set_enabled(enabled);
    Combo1.set_enabled(enabled);
    Combo2.set_enabled(enabled);
    Text1.set_enabled(enabled);
    Text2.set_enabled(enabled);
}

void Form1::Command5_Click() {
    Picture2.cls();
}

} // namespace kelvo
