#include "app/form1.h"

namespace kelvo {

void Form1::Combo3_Click() { english_mode = Combo3.text() != "中文"; }

} // namespace kelvo
