// qt/tools/: the history window's plot: voltage, current and power of a recorded or running
// period against the time of day, each on its own axis, zoomed and moved along the time
// axis with the wheel and the mouse, with a cursor that reads the values under it; the
// spans the supply did not answer as shaded bands, and the period's events as marks along
// the top that name themselves under the mouse.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "history/plot_view.h"
#include "history/record_reader.h"

// QCustomPlot's header includes Qt Print Support's umbrella header, and with it all of Qt
// Core, Gui and Widgets, though its declarations need none of that (printing lives in its
// library). Skipping the umbrella makes a file that includes the plot compile three times
// faster; the guard is put back after it, so a real include of the umbrella still works.
#ifndef QT_QTPRINTSUPPORT_MODULE_H
#define QT_QTPRINTSUPPORT_MODULE_H
#define KELVO_SKIPPED_PRINT_SUPPORT
#endif
#include <qcustomplot.h>
#ifdef KELVO_SKIPPED_PRINT_SUPPORT
#undef QT_QTPRINTSUPPORT_MODULE_H
#undef KELVO_SKIPPED_PRINT_SUPPORT
#endif

#include <QVector>

#include <array>

namespace kelvo::tools {

class SilenceBands;
class EventMarks;

class HistoryPlot : public QCustomPlot {
    Q_OBJECT
public:
    explicit HistoryPlot(QWidget* parent);

    // The series to show (owned by the window; it outlives the plot's use of it), or none.
    void show_series(const history::Series* series);
    // The series shown has one more reading at its end.
    void series_grew();
    // The series shown has another event in its timeline.
    void events_changed();
    // The language of the event marks' texts.
    void set_english(bool english) { english_ = english; }
    const history::Series* series() const { return series_; }
    // Seconds after the date line as a position on the time axis.
    double time_key(double seconds) const { return base_ + seconds; }
    // What the mouse over the time `seconds` is told of the events there: each one's
    // time, kind, source and detail; empty when no mark is within a few pixels.
    QString event_tip(double seconds) const;
    // The whole period in view, following it as it grows.
    void show_all();
    void set_axis_names(const QString& time, const QString& volts, const QString& amps,
                        const QString& watts);
    // The line under the cursor, empty when the cursor is off the plot.
    QString cursor_text() const { return cursor_text_; }
    // What the graphs hold now: points given, and the visible time range in seconds.
    int points_shown() const;
    QCPRange seconds_shown() const;
    std::array<QCPAxis*, 3> value_axes() const { return axes_; }
    // Puts the cursor on the reading nearest `seconds` (what a mouse move does).
    void point_at(double seconds);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void range_changed(const QCPRange& range);
    void rebuild();
    void fit_values();
    void set_time_range(double from, double to);
    void hide_cursor();

    const history::Series* series_ = nullptr;
    double base_ = 0; // the date line's time as seconds since 1970, read as UTC
    bool follow_ = true;
    bool setting_range_ = false;
    // The graphs show a reduction: more readings than two a pixel column.
    bool reduced_ = false;
    std::array<double, 3> peaks_{};
    history::PlotView view_;
    std::array<QVector<QCPGraphData>, 3> data_;
    std::array<QCPGraph*, 3> graphs_{};
    std::array<QCPAxis*, 3> axes_{};
    SilenceBands* bands_ = nullptr;
    EventMarks* marks_ = nullptr;
    bool english_ = true;
    QCPItemStraightLine* cursor_ = nullptr;
    QCPItemText* label_ = nullptr;
    QString cursor_text_;
};

} // namespace kelvo::tools
