#include "app/form1.h"
#include "settings/setpoint_text.h"

namespace kelvo {

void Form1::Combo5_Click() {
    const std::string text = Combo5.text();
    if (text == "x") {
        run_forever = true;
        return;
    }
    run_forever = false;
    // A typed count need not be one of the list's entries: its leading number counts,
    // held to the 16-bit range.
    runs_left = to_int16(leading_number(text));
}

} // namespace kelvo
