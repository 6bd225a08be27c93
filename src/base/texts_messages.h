// base/: the boxes the program shows, their titles and buttons.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace kelvo::texts {

// Set points and readings.
inline constexpr Text kVoltageRangePrompt{"Please enter 4 positive number less than 31",
                                          "Please enter 4 positive number less than 31"};
inline constexpr Text kCurrentRangePrompt{"Please enter 4 positive number less than 5.1",
                                          "Please enter 4 positive number less than 5.1"};
inline constexpr Text kVoltageErrorTitle{"Setting Voltage data error",
                                         "Setting Voltage data error"};
inline constexpr Text kCurrentErrorTitle{"Setting Current data error",
                                         "Setting Current data error"};
inline constexpr Text kReadErrorPrompt{"read USB connection date error",
                                       "read USB connection date error"};

// A report that came again while its box was still waiting: the box gets a count.
inline constexpr Text kRepeatedReport{"%1\n\nReported again: %2 times in all.",
                                      "%1\n\nReported again: %2 times in all."};
// A box told on the communication monitor too: its title, then its prompt.
inline constexpr Text kBoxMonitorLine{"%1: %2", "%1: %2"};

// Closing the window while the output is on.
inline constexpr Text kCloseTitle{"Output is on", "Output is on"};
inline constexpr Text kClosePrompt{
    "The supply's output is on. Switch it off before closing?\n\nThe record so far is saved "
    "whichever you choose.",
    "The supply's output is on. Switch it off before closing?\n\nThe record so far is saved "
    "whichever you choose."};
inline constexpr Text kCloseSwitchOff{"Switch off and save", "Switch off and save"};
inline constexpr Text kCloseLeaveOn{"Leave on and save", "Leave on and save"};
inline constexpr Text kCloseCancel{"Cancel", "Cancel"};

// Step programs; the limits complete them.
inline constexpr Text kEmptyTablePrompt{"The step table is empty", "The step table is empty"};
inline constexpr Text kRunCountPrompt{
    "The run count must be a whole number from 1 to %1, or x (run until stopped).",
    "The run count must be a whole number from 1 to %1, or x (run until stopped)."};
inline constexpr Text kRunCountTitle{"Run count error", "Run count error"};
inline constexpr Text kTooManySteps{
    "The step table has too many steps for a program: %1, %2 steps at most.",
    "The step table has too many steps for a program: %1, %2 steps at most."};
inline constexpr Text kStepTableTitle{"Step table error", "Step table error"};
// A step's value out of range: the step's number, then the range prompt.
inline constexpr Text kStepRowPrompt{"Item No.%1 error；%2", "Item No.%1 error；%2"};
inline constexpr Text kDatabaseErrorTitle{"database error", "database error"};

// The step grid's own boxes.
inline constexpr Text kDeleteOneStepQuestion{"Delete step %1?", "Delete step %1?"};
inline constexpr Text kDeleteStepsQuestion{"Delete steps %1 to %2?", "Delete steps %1 to %2?"};
inline constexpr Text kDeleteYes{"Yes", "Yes"};
inline constexpr Text kDeleteNo{"No", "No"};
inline constexpr Text kStepTableUnchanged{"The step table was not changed: %1",
                                          "The step table was not changed: %1"};

// A start that failed: in a box, and on the terminal.
inline constexpr Text kCannotStart{"KELVO cannot start:\n%1", "KELVO cannot start:\n%1"};
inline constexpr Text kCannotStartLine{"kelvo: cannot start: %1", "kelvo: cannot start: %1"};

} // namespace kelvo::texts
