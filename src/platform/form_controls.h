// platform/: the controls and services of the main window, by name, as one platform
// (the Qt window or the test fake) provides them.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/control_list.h"
#include "platform/controls.h"
#include "platform/services.h"

namespace kelvo::platform {

// What the logic needs of each kind in the control list.
namespace kinds {
using Label = platform::Label;
using Frame = platform::Label;
using TextBox = platform::TextBox;
using LogBox = platform::TextBox;
using ListBox = platform::ListBox;
using Slider = platform::Slider;
using Button = platform::Button;
using Chart = platform::PictureBox;
using Monitor = platform::PictureBox;
using Timer = platform::Timer;
using SendTimer = platform::Timer;
using StatusBar = platform::StatusBar;
using Grid = platform::Grid;
using RecordSet = platform::RecordSet;
using SerialPort = platform::SerialPort;
using Screen = platform::Screen;
using Clock = platform::Clock;
using MessageBox = platform::MessageBox;
using FileSystem = platform::FileSystem;
} // namespace kinds

struct FormControls {
    Window& window;
#define KELVO_CONTROL_MEMBER(kind, name, role) kinds::kind& name;
    KELVO_CONTROLS(KELVO_CONTROL_MEMBER)
#undef KELVO_CONTROL_MEMBER
#define KELVO_SERVICE_MEMBER(kind, model_name, name, role) kinds::kind& name;
    KELVO_SERVICES(KELVO_SERVICE_MEMBER)
#undef KELVO_SERVICE_MEMBER
};

// The bundle of a form that holds every control and service under its name in the lists
// (the Qt form, the fake form).
template <class Form> FormControls controls_of(Form& form) {
#define KELVO_CONTROL_OF(kind, name, role) .name = form.name,
#define KELVO_SERVICE_OF(kind, model_name, name, role) .name = form.name,
    return FormControls{.window = form.window,
                        KELVO_CONTROLS(KELVO_CONTROL_OF) KELVO_SERVICES(KELVO_SERVICE_OF)};
#undef KELVO_SERVICE_OF
#undef KELVO_CONTROL_OF
}

} // namespace kelvo::platform
