// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/form1.h"
#include "base/texts.h"

#include <utility>

namespace kelvo {

const char* Form1::text(const texts::Text& key) const {
    return texts::in(english_mode, key);
}

void Form1::Combo3_Click() {
    const bool was_english = english_mode;
    english_mode = Combo3.text() != texts::kChinese.en;
    if (english_mode != was_english) {
        tell_observers([this](platform::Observer& o) { o.language_changed(english_mode); });
    }
}

void Form1::refresh_captions() {
    // The fixed captions, each with its text.
    const std::pair<platform::Label*, const texts::Text*> captions[] = {
        {&Frame1, &texts::kOutFrame},
        {&Frame2, &texts::kSetFrame},
        {&Label6, &texts::kOverCurrentLabel},
        {&Label7, &texts::kRunCountLabel},
    };
    for (const auto& [control, key] : captions) {
        control->set_caption(text(*key));
    }
    show_period_readout();
    show_limits();
    if (status_note_port != 0 && Clock.steady_seconds() < status_note_until) {
        StatusBar1.set_panel_text(1, port_label(texts::kPermissionNote, status_note_port));
    } else {
        StatusBar1.set_panel_text(
            1, text(device_connected ? texts::kConnectedStatus : texts::kWaitStatus));
    }
    StatusBar1.set_panel_text(3, text(texts::kVersion));
    // The two modes are written again and the choice selected again, which also sets
    // the over-current flag from it. A list that already holds them is not emptied, so
    // a drop-down the user has open stays open.
    const int mode = Combo4.selected_index();
    if (Combo4.item_count() != 2 || Combo4.item_text(0) != text(texts::kSteadyOutput) ||
        Combo4.item_text(1) != text(texts::kTripOut)) {
        Combo4.clear();
        Combo4.add_item(text(texts::kSteadyOutput));
        Combo4.add_item(text(texts::kTripOut));
    }
    Combo4.set_selected_index(mode);
    // The buttons say what a press does next.
    Command1.set_caption(text(output_on ? texts::kOff : texts::kOn));
    Command4.set_caption(text(output_on && program_running ? texts::kStop : texts::kRun));
}

} // namespace kelvo
