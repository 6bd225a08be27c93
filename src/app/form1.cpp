#include "app/form1.h"

namespace kelvo {

Form1::Form1(const platform::FormControls& c)
    : window(c.window), Label1(c.Label1), Label2(c.Label2), Label3(c.Label3), Label4(c.Label4),
      Label5(c.Label5), Label6(c.Label6), Label7(c.Label7), Frame1(c.Frame1), Frame2(c.Frame2),
      Text1(c.Text1), Text2(c.Text2), Text3(c.Text3), Combo1(c.Combo1), Combo2(c.Combo2),
      Combo3(c.Combo3), Combo4(c.Combo4), Combo5(c.Combo5), Slider1(c.Slider1), Slider2(c.Slider2),
      Command1(c.Command1), Command4(c.Command4),
      Command5(c.Command5), Picture1{&c.Picture1_0, &c.Picture1_1}, Picture2(c.Picture2),
      Timer1(c.Timer1), Timer2(c.Timer2), StatusBar1(c.StatusBar1), DataGrid1(c.DataGrid1),
      Adodc1(c.Adodc1), MSComm1(c.MSComm1), Screen(c.screen), Clock(c.clock), MsgBox(c.message_box),
      Files(c.files) {
    // The same wiring for the Qt window and the test fake.
    Text1.on_change([this] { Text1_Change(); });
    Text2.on_change([this] { Text2_Change(); });
    Combo1.on_click([this] { Combo1_Click(); });
    Combo2.on_click([this] { Combo2_Click(); });
    Combo3.on_click([this] { Combo3_Click(); });
    Combo4.on_click([this] { Combo4_Click(); });
    Combo5.on_click([this] { Combo5_Click(); });
    Slider1.on_change([this] { Slider1_Change(); });
    Slider2.on_change([this] { Slider2_Change(); });
    Command1.on_click([this] { Command1_Click(); });
    Command4.on_click([this] { Command4_Click(); });
    Command5.on_click([this] { Command5_Click(); });
    Timer1.on_tick([this] { Timer1_Timer(); });
    Timer2.on_tick([this] { Timer2_Timer(); });
}

Form1::~Form1() {
    // The send timer ticks on a thread of its own: once this returns, no tick is running
    // and none will start.
    Timer2.on_tick(nullptr);
    Timer1.on_tick(nullptr);
}

void Form1::show_message(const std::string& prompt, const std::string& title) {
    // The box is modal but its event loop still delivers timer ticks: the polling cycle
    // looks at this count and waits, while the send stream goes on.
    ++open_message_boxes;
    try {
        MsgBox.show(prompt, title);
    } catch (...) {
        --open_message_boxes;
        throw;
    }
    --open_message_boxes;
}

} // namespace kelvo
