#include "app/form1.h"
#include "settings/setpoint_text.h"

namespace kelvo {

void Form1::Combo1_Click() {
    Text1.set_text(Combo1.text());
    if (Text1.text().find('V') == std::string::npos) {
        Text1.set_text(Text1.text() + "V");
    }
    if (Text_err(Text1.text(), 'V')) {
        Text1.set_text("00.00V");
        return;
    }
    SZDYZH(Text1.text());
}

void Form1::Combo2_Click() {
    Text2.set_text(Combo2.text());
}

void Form1::Combo4_Click() {
    trip_on_over_current = Combo4.selected_index() == 1;
}

} // namespace kelvo
