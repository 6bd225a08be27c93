// platform/: the window's controls and services, each written down once. Every place that
// needs the whole list (the bundle handed to the window model, the model's own references,
// the Qt form's and the fake form's members, the layout's look-up by name) expands these
// tables, so a control is added or removed here and nowhere else by hand.
//
// The names are the window's legacy names and stay as they are: they are its contract, and
// this table is their key. The kind says what a control is; each platform maps a kind to
// its own type (platform::kinds, qt::kinds, fake::kinds). The order is the order in which
// the Qt form creates its widgets, which decides which of two overlapping siblings is drawn
// on top: keep it.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// X(kind, legacy name, what the control is)
#define KELVO_CONTROLS(X)                                                                          \
    X(Frame, Frame1, "the \"OUT\" frame around the voltage and current readings")                  \
    X(Frame, Frame2, "the \"SET\" frame around the set-point entries, sliders and ON button")      \
    X(Label, Label5, "the caption \"中文/English\" beside the language list")                      \
    X(ListBox, Combo3, "the language list: Chinese or English")                                    \
    X(Label, Label1, "the voltage reading's caption \"U:\"")                                       \
    X(Label, Label2, "the voltage reading from the supply, \"00.00V\"")                            \
    X(Label, Label3, "the current reading's caption \"I:\"")                                       \
    X(Label, Label4, "the current reading from the supply, \"0.000A\"")                            \
    X(ListBox, Combo1, "the voltage presets, whole volts; its arrow shows beside Text1")           \
    X(ListBox, Combo2, "the current presets, tenths of an ampere; its arrow shows beside Text2")   \
    X(TextBox, Text1, "the voltage set-point entry, lying over Combo1")                            \
    X(TextBox, Text2, "the current set-point entry, lying over Combo2")                            \
    X(Slider, Slider1, "the voltage set-point slider")                                             \
    X(Slider, Slider2, "the current set-point slider")                                             \
    X(Label, Label6, "the caption \"over current\" of Combo4")                                     \
    X(ListBox, Combo4, "the over-current behaviour list: steady output or trip out")               \
    X(Button, Command1, "the output ON/OFF button")                                                \
    X(Chart, Picture1_0, "Picture1(0), the live voltage chart")                                    \
    X(Chart, Picture1_1, "Picture1(1), the live current chart")                                    \
    X(LogBox, Text3, "the record log: the readings of the period, saved as a record file")         \
    X(Grid, DataGrid1, "the step table, shown and edited over Adodc1")                             \
    X(Label, Label7, "the caption \"Run Count\" of Combo5")                                        \
    X(ListBox, Combo5, "the run count list: \"x\" (until stopped) or a number of runs")            \
    X(Button, Command4, "the RUN/STOP button of the step program")                                 \
    X(Button, Command5, "a hidden button that clears the communication monitor")                   \
    X(Monitor, Picture2, "the communication monitor: recent lines of the link, never shown")       \
    X(Timer, Timer1, "the polling cycle's timer: readings, display, steps")                        \
    X(SendTimer, Timer2, "the send timer: the command frame, ticking on a thread of its own")      \
    X(StatusBar, StatusBar1, "the status bar: link state, product name, version")                  \
    X(RecordSet, Adodc1, "the step table's record set in the program's database")                  \
    X(SerialPort, MSComm1, "the serial port to the supply")                                        \
    X(Label, PeriodReadout, "on the tool strip: the output period's time, charge and energy")      \
    X(Label, LimitsReadout, "on the tool strip: the limits in force, empty while none is set")

// X(kind, the window model's name, the bundle's name, what the service is). The window
// itself comes first in every list and is written out by hand.
#define KELVO_SERVICES(X)                                                                          \
    X(Screen, Screen, screen, "the screen's size, for the layout")                                 \
    X(Clock, Clock, clock, "the time of day, for the record log")                                  \
    X(MessageBox, MsgBox, message_box, "the boxes that report to and ask the user")                \
    X(FileSystem, Files, files, "the record files, journals and program folder")
