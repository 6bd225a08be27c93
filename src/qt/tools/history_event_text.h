// qt/tools/: how the history window tells an event of the timeline: its mark's colour and the
// lines of its tooltip.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/timeline.h"

#include <QColor>
#include <QString>

namespace kelvo::tools {

// Trouble in red, its end in green, the switch in black, the rest in grey-blue.
QColor mark_color(EventKind kind);
// The moment, the event, its source and detail (the figures of an output off), one a line.
QString event_text(const PeriodEvent& e, bool english);

} // namespace kelvo::tools
