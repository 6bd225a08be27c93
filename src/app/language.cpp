#include "app/form1.h"
#include "app/texts.h"

namespace kelvo {

void Form1::Combo3_Click() {
    english_mode = Combo3.text() != "中文";
}

void Form1::refresh_captions() {
    const bool en = english_mode;
    Frame1.set_caption(en ? "OUT" : "输出");
    Frame2.set_caption(en ? "SET" : "设置");
    Label6.set_caption(en ? "over current" : "过流保护");
    // The link texts stay English; the Chinese mode tells itself by one more blank.
    if (device_connected) {
        StatusBar1.set_panel_text(1, en ? "communication:connection is successful "
                                        : "communication:connection is successful  ");
    } else {
        StatusBar1.set_panel_text(1, en ? texts::kWaitStatus : "communication:wait... ");
    }
    StatusBar1.set_panel_text(3, en ? texts::kVersion : "版本号：1.0");
    // The two modes are written again and the choice selected again, which also sets
    // the over-current flag from it. A list that already holds them is not emptied, so
    // a drop-down the user has open stays open.
    const int mode = Combo4.selected_index();
    if (Combo4.item_count() != 2 || Combo4.item_text(0) != "Steady Output" ||
        Combo4.item_text(1) != "trip out") {
        Combo4.clear();
        Combo4.add_item("Steady Output");
        Combo4.add_item("trip out");
    }
    Combo4.set_selected_index(mode);
    Label7.set_caption(en ? "Run Count" : "运行次数");
    if (output_on) {
        Command1.set_caption(en ? "OFF" : "关");
        Command4.set_caption(program_running ? (en ? "STOP" : "停止") : (en ? "RUN" : "开始"));
    } else {
        Command1.set_caption(en ? "ON" : "开");
        Command4.set_caption(en ? "RUN" : "开始");
    }
}

} // namespace kelvo
