// base/: the captions of the window and its controls.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace kelvo::texts {

// The program's name: the window's title, a status panel, the step grid's caption, the
// title of a box that has none of its own and the first line of every record.
inline constexpr Text kProductName{"KELVO", "KELVO"};

// The language list and its label name each language in its own words.
inline constexpr Text kLanguageLabel{"中文/English", "中文/English"};
inline constexpr Text kChinese{"中文", "中文"};
inline constexpr Text kEnglish{"English", "English"};

inline constexpr Text kOutFrame{"OUT", "输出"};
inline constexpr Text kSetFrame{"SET", "设置"};
inline constexpr Text kVoltageLabel{"U:", "U:"};
inline constexpr Text kCurrentLabel{"I:", "I:"};
inline constexpr Text kOverCurrentLabel{"over current", "过流保护"};
inline constexpr Text kSteadyOutput{"Steady Output", "Steady Output"};
inline constexpr Text kTripOut{"trip out", "trip out"};
inline constexpr Text kRunCountLabel{"Run Count", "运行次数"};
// The run count that runs the program until it is stopped: the first of the list, and
// what the user types for it.
inline constexpr Text kRunUntilStopped{"x", "x"};

// The output and program buttons say what a press does next.
inline constexpr Text kOn{"ON", "开"};
inline constexpr Text kOff{"OFF", "关"};
inline constexpr Text kRun{"RUN", "开始"};
inline constexpr Text kStop{"STOP", "停止"};

// The status bar. The link texts stay English; the Chinese mode tells itself by one more
// blank.
inline constexpr Text kWaitStatus{"communication:wait...", "communication:wait... "};
inline constexpr Text kConnectedStatus{"communication:connection is successful ",
                                       "communication:connection is successful  "};
inline constexpr Text kVersion{"Version: 1.0", "版本号：1.0"};

// The chart's axis labels.
inline constexpr Text kChartVolts{"V", "V"};
inline constexpr Text kChartAmps{"A", "A"};

// The design's first texts, which the window shows until start-up writes its own.
inline constexpr Text kFormCaption{"Form1", "Form1"};
inline constexpr Text kToolbarTitle{"Toolbar1", "Toolbar1"};
inline constexpr Text kListPlaceholder{"Combo1", "Combo1"};
inline constexpr Text kLogPlaceholder{"Text3", "Text3"};
inline constexpr Text kHiddenButton{"Command5", "Command5"};

// The step grid: its headings and its menu.
inline constexpr Text kVoltageHeading{"Voltage（V）", "Voltage（V）"};
inline constexpr Text kCurrentHeading{"Current（A）", "Current（A）"};
inline constexpr Text kTimeHeading{"time（S）", "time（S）"};
inline constexpr Text kAddStepItem{"Add step\tIns", "Add step\tIns"};
inline constexpr Text kDeleteStepItem{"Delete step", "Delete step"};
inline constexpr Text kDeleteOneStepItem{"Delete step %1", "Delete step %1"};
inline constexpr Text kDeleteStepsItem{"Delete steps %1 to %2", "Delete steps %1 to %2"};
// Shown after a delete item when the Delete key would do the same.
inline constexpr Text kDeleteKey{"\tDel", "\tDel"};

} // namespace kelvo::texts
