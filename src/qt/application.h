// qt/ owns the Qt realisation of the platform, a room for each thing it serves: the
// window's controls (widgets/), the serial port (serial/), the step store and grid (steps/), the
// main window (window/), the remote-control socket (remote/) and the tool strip (tools/). This
// header holds what all of them share.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QString>

#include "base/texts.h"
#include "platform/controls.h"

#include <string>

namespace kelvo::qt {

// What the program and its Qt tests set up right after creating the QApplication: the C
// numeric locale, the Chinese font faces and the widget style that shows button colours.
void prepare_application();

// The window asks for 宋体, 黑体 and 楷体_GB2312; fontconfig would hand out Latin-only faces
// for them, so they are pointed at installed CJK faces.
void install_font_substitutions();

// Twips to whole pixels and back, through the primary screen's logical dots per inch.
int px_x(double twips);
int px_y(double twips);
double twips_per_px_x();
double twips_per_px_y();

QColor to_qcolor(platform::Color color);
inline QString qstr(const std::string& text) {
    return QString::fromStdString(text);
}
inline std::string utf8(const QString& text) {
    return text.toStdString();
}
// The Qt layer's own texts read the same in either language: their English form.
inline QString qtext(const texts::Text& key) {
    return QString::fromUtf8(key.en);
}
// A text in the language the user chose: its English or its Chinese form.
inline QString qtext(bool english, const texts::Text& key) {
    return QString::fromUtf8(texts::in(english, key));
}

} // namespace kelvo::qt
