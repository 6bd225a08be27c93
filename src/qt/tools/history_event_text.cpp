// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt/tools/history_event_text.h"

#include "base/texts.h"
#include "meter/period_meter.h"
#include "qt/application.h"
#include "record/period_events.h"

#include <QStringList>

namespace kelvo::tools {

QColor mark_color(EventKind kind) {
    switch (kind) {
    case EventKind::SupplySilent:
    case EventKind::LinkLost:
    case EventKind::LimitReached:
    case EventKind::OverCurrentOn:
        return {200, 30, 30};
    case EventKind::SupplyAnswering:
    case EventKind::LinkBack:
    case EventKind::OverCurrentOff:
        return {20, 140, 40};
    case EventKind::OutputOn:
    case EventKind::OutputOff:
        return {20, 20, 20};
    default:
        return {90, 110, 150};
    }
}

namespace {

QString moment_text(const Moment& m) {
    return QStringLiteral("%1-%2-%3 %4:%5:%6.%7")
        .arg(m.local.year)
        .arg(m.local.month, 2, 10, QLatin1Char('0'))
        .arg(m.local.day, 2, 10, QLatin1Char('0'))
        .arg(m.local.hour, 2, 10, QLatin1Char('0'))
        .arg(m.local.minute, 2, 10, QLatin1Char('0'))
        .arg(m.local.second, 2, 10, QLatin1Char('0'))
        .arg(m.millisecond, 3, 10, QLatin1Char('0'));
}

} // namespace

QString event_text(const PeriodEvent& e, bool english) {
    QStringList lines{
        moment_text(e.at),
        qt::qtext(english, texts::kHistoryEventKind)
            .arg(qt::qtext(english, texts::kHistoryEventNames[static_cast<std::size_t>(e.kind)]))};
    if (!e.source.empty()) {
        lines
            << qt::qtext(english, texts::kHistoryEventSource).arg(QString::fromStdString(e.source));
    }
    if (e.kind == EventKind::OutputOff) {
        if (const std::optional<PeriodFigures> f = figures_of_detail(e.detail)) {
            lines << qt::qtext(english, texts::kHistoryEventFigures)
                         .arg(QString::fromStdString(elapsed_text(f->seconds)),
                              QString::fromStdString(charge_text(f->coulombs)),
                              QString::fromStdString(energy_text(f->joules)));
            return lines.join(QLatin1Char('\n'));
        }
    }
    if (!e.detail.empty()) {
        lines
            << qt::qtext(english, texts::kHistoryEventDetail).arg(QString::fromStdString(e.detail));
    }
    return lines.join(QLatin1Char('\n'));
}

} // namespace kelvo::tools
