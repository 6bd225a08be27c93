// layout/: the window as designed, written down once. One row for each control the window
// places: where it stands when the window is made, its face and size, its first caption,
// and the figures the layout scales to the screen (layout_table.h takes those as its table).
// The Qt window and the tests' fake window both read their design from here.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/texts.h"

#include <array>
#include <optional>
#include <string_view>

namespace kelvo::layout {

// A place in twips within the container. No height where the control's font decides it:
// a list is as tall as its font makes it, in the window as made as after the layout, so the
// heights its design was drawn with are never set.
struct Place {
    double left;
    double top;
    double width;
    std::optional<double> height;
};

// A face (kDefaultFace: the platform's own) at a size in points.
struct Font {
    std::string_view face;
    double size;
};

inline constexpr std::string_view kSong = "宋体";
inline constexpr std::string_view kHei = "黑体";
inline constexpr std::string_view kKai = "楷体_GB2312";
inline constexpr std::string_view kDefaultFace{};

struct Design {
    std::string_view control;            // its name in the control list (platform/control_list.h)
    Place designed;                      // where the window puts it when it is made
    std::optional<Font> font;            // nullopt: whatever font the platform gives it
    std::string_view caption;            // its caption or first text, English form; empty: none
    Place laid_out;                      // what the layout scales to the screen
    std::optional<double> laid_out_font; // the size the layout scales; nullopt: not touched
};

constexpr Font song(double size) {
    return {kSong, size};
}

// One row a control, in the order the layout places them, the layout's figures on the line
// below the design's. The designed font sizes (14.25, 15.75, 21.75 points) are the window's
// until the load step; the layout works from round sizes beside them (14, 16, 22), so from
// the first layout on the fonts are those, times the screen's factor.
// clang-format off
inline constexpr std::array<Design, 25> kDesign{{
    // control     designed place            font                    caption
    //             laid out                  font size
    {"Combo3",     {3120, 240, 2535, {}},    Font{kHei, 14.25},      texts::kListPlaceholder.en,
                   {3120, 240, 2535, {}},    14},
    {"Label5",     {720, 240, 2175, 495},    song(15.75),            texts::kLanguageLabel.en,
                   {720, 240, 2175, 495},    16},
    {"Frame1",     {240, 1560, 5655, 1695},  Font{kKai, 18},         texts::kOutFrame.en,
                   {240, 1560, 5655, 1695},  18},
    // Label1 to Label4, the readings and their captions. As designed, Label1 is 495 high,
    // Label2 1335 wide and 375 high, Label3 and Label4 375 high; the layout gives all four
    // the same height, 450, and Label2 1350. Both stay, each in its own place: the
    // designed figures are the window as it is made, what shows until the load step lays
    // it out; the layout's are what it sets at start-up and after every new screen size.
    {"Label1",     {360, 720, 615, 495},     song(21.75),            texts::kVoltageLabel.en,
                   {360, 720, 615, 450},     22},
    {"Label2",     {960, 720, 1335, 375},    song(21.75),            "00.00V",
                   {960, 720, 1350, 450},    22},
    {"Label3",     {2880, 720, 495, 375},    song(21.75),            texts::kCurrentLabel.en,
                   {2880, 720, 495, 450},    22},
    {"Label4",     {3600, 720, 1695, 375},   song(21.75),            "0.000A",
                   {3600, 720, 1695, 450},   22},
    {"Frame2",     {240, 3600, 5655, 7095},  Font{kKai, 18},         texts::kSetFrame.en,
                   {240, 3600, 5655, 7095},  18},
    {"Text1",      {360, 840, 1575, 555},    song(21.75),            "00.00V",
                   {360, 840, 1575, 555},    22},
    {"Text2",      {3240, 840, 1575, 555},   song(21.75),            "0.000A",
                   {3240, 840, 1575, 555},   22},
    {"Combo1",     {360, 840, 1935, {}},     song(21.75),            texts::kListPlaceholder.en,
                   {360, 840, 1935, {}},     22},
    {"Combo2",     {3240, 840, 1935, {}},    song(21.75),            "0.001A",
                   {3240, 840, 1935, {}},    22},
    {"Slider1",    {600, 1680, 600, 3135},   {},                     {},
                   {600, 1680, 600, 3135},   {}},
    {"Slider2",    {3480, 1680, 600, 3135},  {},                     {},
                   {3480, 1680, 600, 3135},  {}},
    {"Command1",   {360, 5640, 1695, 615},   song(15),               texts::kOn.en,
                   {360, 5640, 1695, 615},   15},
    // The over-current caption: designed at 2040, 5160; the layout puts it at 2700, 5280,
    // above the list it names. The designed place shows until the load step, the
    // layout's from then on, at every screen size.
    {"Label6",     {2040, 5160, 2895, 375},  Font{kKai, 18},         texts::kOverCurrentLabel.en,
                   {2700, 5280, 2895, 375},  18},
    {"Combo4",     {3480, 5760, 1935, {}},   song(10.5),             texts::kListPlaceholder.en,
                   {3480, 5760, 1935, {}},   10.5},
    // The voltage chart and the record log are designed 3015 high; the layout makes them
    // 3135, the current chart's height, so that once laid out the three boxes match. Both
    // stay, for the same reason as the readings'. The charts have no font of their own:
    // the layout's size is the one their labels are drawn in.
    {"Picture1_0", {6360, 360, 9975, 3015},  {},                     {},
                   {6360, 360, 9975, 3135},  9},
    {"Picture1_1", {6360, 3840, 9975, 3135}, {},                     {},
                   {6360, 3840, 9975, 3135}, 9},
    {"Text3",      {6360, 7440, 9975, 3015}, Font{kDefaultFace, 9},  texts::kLogPlaceholder.en,
                   {6360, 7440, 9975, 3135}, 9},
    // Beyond the designed client area (15165 wide): these come into view only where the
    // layout places them.
    {"DataGrid1",  {17040, 360, 3375, 7935}, song(9),                texts::kProductName.en,
                   {17040, 360, 3375, 7935}, 9},
    {"Label7",     {17040, 8880, 975, 375},  song(10.5),             texts::kRunCountLabel.en,
                   {17040, 8880, 975, 375},  10.5},
    {"Combo5",     {18120, 8760, 1095, {}},  song(10.5),             texts::kRunUntilStopped.en,
                   {18120, 8760, 1095, {}},  10.5},
    {"Command4",   {19440, 8760, 975, 495},  song(15),               texts::kRun.en,
                   {19440, 8760, 975, 495},  15},
    // Never shown. It keeps the font the platform gives a button; the layout still sets
    // its size.
    {"Command5",   {1320, 840, 375, 375},    {},                     texts::kHiddenButton.en,
                   {1320, 840, 375, 375},    9},
}};
// clang-format on

// The window itself: the designed client area and the tool strip's height, in twips.
inline constexpr double kClientWidth = 15165;
inline constexpr double kClientHeight = 10380;
inline constexpr double kToolStripHeight = 675;

// The status bar's three panels as designed, numbered from 1, and their font.
inline constexpr std::array<std::string_view, 3> kStatusPanels{
    texts::kWaitStatus.en, texts::kProductName.en, texts::kVersion.en};
inline constexpr Font kStatusFont = song(12);

} // namespace kelvo::layout
