// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/form1.h"
#include "base/limits.h"
#include "base/texts.h"
#include "settings/setpoint_text.h"

namespace kelvo {

void Form1::Form_Load() {
    port_number = 0;
    port_ready = false;
    current_reading = "0000";
    voltage_reading = "0000";

    MSComm1.set_settings(texts::kSerialSettings);

    window.set_caption(texts::kProductName.en);
    window.set_border_sizable();
    window.set_icon(icon_path());
    window.move(0, 0);
    window.set_maximized();

    FBL_REV();

    set_up_sliders();
    fill_choice_lists();

    output_on = false;

    Picture1[0]->set_fore_color(platform::kWhite);
    Picture1[1]->set_fore_color(platform::kWhite);

    Timer1.set_interval(limits::kPollingMs);
    Timer2.set_interval(limits::kSendMs);

    chart_sample_index = 0;
    step_index = 0;
    step_seconds_left = 0;

    open_step_table(step_table_folder());

    Text3.set_text("");
    Text3.set_text(std::string(texts::kProductName.en) + texts::kCrLf);
    Text3.append_text(std::string(texts::kRecordVersion.en) + texts::kCrLf);
    // Periods that a crash or a power cut left open become records now.
    recover_journals();
    load_limits();

    // The window starts in the English form; the language switch writes the chosen one.
    StatusBar1.set_panel_text(1, texts::kWaitStatus.en);
}

void Form1::set_up_sliders() {
    Slider1.set_large_change(1);
    Slider1.set_maximum(limits::kMaxVoltageCode);
    Slider1.set_minimum(0);
    Slider1.set_vertical();
    Slider1.set_no_border();
    Slider1.set_manual_drag();
    Slider2.set_large_change(1);
    Slider2.set_maximum(limits::kMaxCurrentCode);
    Slider2.set_minimum(0);
    Slider2.set_vertical();
    Slider2.set_no_border();
    Slider2.set_manual_drag();
}

void Form1::fill_choice_lists() {
    for (int volts = 0; volts <= limits::kMaxVolts; ++volts) {
        Combo1.add_item(std::to_string(volts) + "V");
    }
    Combo1.set_selected_index(0);
    Text1.set_alignment_left();

    for (int tenths = 0; tenths <= limits::kMaxCurrentCode / (limits::kCodesPerAmpere / 10);
         ++tenths) {
        Combo2.add_item(slider_text(tenths, 10, 'A'));
    }
    Combo2.set_selected_index(0);
    Text2.set_alignment_left();

    Combo3.add_item(texts::kChinese.en);
    Combo3.add_item(texts::kEnglish.en);
    Combo3.set_selected_index(1);

    Combo4.add_item(texts::kSteadyOutput.en);
    Combo4.add_item(texts::kTripOut.en);
    Combo4.set_selected_index(0);

    Combo5.add_item(texts::kRunUntilStopped.en);
    for (int runs = 1; runs <= limits::kRunsOffered; ++runs) {
        Combo5.add_item(std::to_string(runs));
    }
    Combo5.set_selected_index(0);
}

void Form1::open_step_table(const std::string& folder) {
    // Before the file is opened: converting an old one is told on the monitor.
    Adodc1.set_reporter(*this);
    DataGrid1.set_reporter(*this);
    Adodc1.set_database(folder + "/" + texts::kDatabaseFile);
    Adodc1.set_record_source(texts::kStepTable);
    Adodc1.refresh();

    DataGrid1.set_data_source(Adodc1);
    DataGrid1.refresh();
}

bool Form1::Form_QueryUnload() {
    if (!output_on || leave_output_on) {
        return true;
    }
    if (close_question_up) {
        return false;
    }
    close_question_up = true;
    ask(text(texts::kClosePrompt), text(texts::kCloseTitle),
        {text(texts::kCloseSwitchOff), text(texts::kCloseLeaveOn), text(texts::kCloseCancel)}, 0,
        [this](int answer) {
            close_question_up = false;
            if (answer != 0 && answer != 1) {
                return; // stay
            }
            // The output may have gone off while the question was up (a trip, the end of
            // the run count); then there is nothing left to decide.
            if (output_on) {
                if (answer == 0) {
                    end_period(OffCause::WindowClosed);
                } else {
                    leave_output_on = true;
                    Text3.append_text(texts::kCrLf);
                    save_period();
                }
            }
            window.close();
        });
    return false;
}

void Form1::Form_Unload() {
    // Any way the window goes without the question (the session ends): off and saved.
    if (output_on && !leave_output_on) {
        end_period(OffCause::WindowClosed);
    }
    const std::lock_guard<std::mutex> lock(send_mutex);
    if (!MSComm1.is_open()) {
        return;
    }
    // The supply must hear "N" before the line goes quiet: the rest of the frame on the
    // wire, then a whole one, at once. The port's close waits for them to leave.
    if (!output_on && command_frame.size() == 16) {
        const auto sent = static_cast<std::size_t>(send_position) % 16;
        MSComm1.write(command_frame.substr(sent) + command_frame);
    }
    MSComm1.close();
}

} // namespace kelvo
