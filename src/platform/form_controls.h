// platform/: the controls and services of the main window, by name, as one platform
// (the Qt window or the test fake) provides them.
#pragma once

#include "platform/controls.h"
#include "platform/services.h"

namespace kelvo::platform {

struct FormControls {
    Window& window;

    Label& Label1;
    Label& Label2;
    Label& Label3;
    Label& Label4;
    Label& Label5;
    Label& Label6;
    Label& Label7;
    Label& Frame1;
    Label& Frame2;

    TextBox& Text1;
    TextBox& Text2;
    TextBox& Text3;

    ListBox& Combo1;
    ListBox& Combo2;
    ListBox& Combo3;
    ListBox& Combo4;
    ListBox& Combo5;

    Slider& Slider1;
    Slider& Slider2;

    Button& Command1;
    Button& Command4;
    Button& Command5;

    PictureBox& Picture1_0;
    PictureBox& Picture1_1;
    PictureBox& Picture2;

    Timer& Timer1;
    Timer& Timer2;

    StatusBar& StatusBar1;
    Grid& DataGrid1;
    RecordSet& Adodc1;
    SerialPort& MSComm1;

    Screen& screen;
    Clock& clock;
    MessageBox& message_box;
    FileSystem& files;
};

} // namespace kelvo::platform
