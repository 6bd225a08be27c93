// SPDX-License-Identifier: GPL-3.0-or-later
#include "extra/history_plot.h"

#include "app/texts.h"
#include "platform/qt/application.h"

#include <QTimeZone>

#include <algorithm>

namespace kelvo::extra {

namespace {

const std::array<QColor, 3> kColors{QColor(30, 90, 220), QColor(210, 40, 40), QColor(20, 150, 60)};

QString fixed(double value, int places) {
    return QString::number(value, 'f', places);
}

} // namespace

HistoryPlot::HistoryPlot(QWidget* parent) : QCustomPlot(parent) {
    axes_ = {yAxis, yAxis2, axisRect()->addAxis(QCPAxis::atRight)};
    for (std::size_t k = 0; k < 3; ++k) {
        graphs_[k] = addGraph(xAxis, axes_[k]);
        // A thin line without smoothing takes the painter's fast path: a column of a long
        // period is a tall stroke from its lowest to its highest reading.
        graphs_[k]->setPen(QPen(kColors[k], 1));
        graphs_[k]->setAntialiased(false);
        graphs_[k]->setAdaptiveSampling(false); // the data is reduced already
        axes_[k]->setVisible(true);
        axes_[k]->setBasePen(QPen(kColors[k]));
        axes_[k]->setTickPen(QPen(kColors[k]));
        axes_[k]->setSubTickPen(QPen(kColors[k]));
        axes_[k]->setTickLabelColor(kColors[k]);
        axes_[k]->setLabelColor(kColors[k]);
    }
    auto ticker = QSharedPointer<QCPAxisTickerDateTime>::create();
    ticker->setTimeZone(QTimeZone::utc());
    ticker->setDateTimeFormat(QStringLiteral("HH:mm:ss\nyyyy-MM-dd"));
    xAxis->setTicker(ticker);
    setInteractions(QCP::iRangeDrag | QCP::iRangeZoom);
    axisRect()->setRangeDrag(Qt::Horizontal);
    axisRect()->setRangeZoom(Qt::Horizontal);
    cursor_ = new QCPItemStraightLine(this);
    cursor_->setPen(QPen(Qt::gray, 1, Qt::DashLine));
    label_ = new QCPItemText(this);
    label_->position->setType(QCPItemPosition::ptAxisRectRatio);
    label_->position->setCoords(0.01, 0.01);
    label_->setPositionAlignment(Qt::AlignLeft | Qt::AlignTop);
    label_->setBrush(QBrush(QColor(255, 255, 255, 220)));
    label_->setPadding(QMargins(4, 2, 4, 2));
    for (QCPAbstractItem* item :
         {static_cast<QCPAbstractItem*>(cursor_), static_cast<QCPAbstractItem*>(label_)}) {
        item->setLayer(QStringLiteral("overlay"));
        item->setClipToAxisRect(true);
    }
    // The cursor redraws alone, over the graphs drawn before.
    layer(QStringLiteral("overlay"))->setMode(QCPLayer::lmBuffered);
    hide_cursor();
    connect(xAxis, qOverload<const QCPRange&>(&QCPAxis::rangeChanged), this,
            &HistoryPlot::range_changed);
}

void HistoryPlot::set_axis_names(const QString& time, const QString& volts, const QString& amps,
                                 const QString& watts) {
    xAxis->setLabel(time);
    axes_[0]->setLabel(volts);
    axes_[1]->setLabel(amps);
    axes_[2]->setLabel(watts);
    replot(rpQueuedReplot);
}

void HistoryPlot::show_series(const history::Series* series) {
    series_ = series;
    base_ =
        series ? static_cast<double>(history::seconds_between({1970, 1, 1}, series->start)) : 0.0;
    peaks_ = series ? history::series_peaks(series->samples) : std::array<double, 3>{};
    // No readings yet: no times to name (the axis would count from 1970).
    xAxis->setTickLabels(series != nullptr && !series->samples.empty());
    hide_cursor();
    fit_values();
    show_all();
}

void HistoryPlot::show_all() {
    follow_ = true;
    const double end = series_ && !series_->samples.empty() ? series_->samples.back().seconds : 0.0;
    set_time_range(0, std::max(end, 10.0));
    replot(rpQueuedReplot);
}

void HistoryPlot::series_grew() {
    if (!series_ || series_->samples.empty()) {
        return;
    }
    xAxis->setTickLabels(true);
    const history::Sample& last = series_->samples.back();
    const std::array<double, 3> now{history::volts_of(last), history::amps_of(last),
                                    history::watts_of(last)};
    bool higher = false;
    for (std::size_t k = 0; k < 3; ++k) {
        higher = higher || now[k] > peaks_[k];
        peaks_[k] = std::max(peaks_[k], now[k]);
    }
    if (higher) {
        fit_values();
    }
    const bool in_sight = xAxis->range().contains(base_ + last.seconds);
    if (in_sight && reduced_) {
        // Many readings a pixel column: the new one joins the reduced lines as it is, and
        // the whole reduction is redone only when the time axis has to grow.
        for (std::size_t k = 0; k < 3; ++k) {
            graphs_[k]->addData(base_ + last.seconds, now[k]);
        }
    } else if (follow_) {
        // A long period is followed with a little room ahead, so that the axis grows (and the
        // reduction is redone) about once every fiftieth of the period, not every second.
        const double room = reduced_ ? 1.02 : 1.0;
        set_time_range(0, std::max<double>(last.seconds * room, 10.0));
    } else if (in_sight) {
        rebuild();
    } else {
        return; // out of sight: nothing to draw
    }
    replot(rpQueuedReplot);
}

void HistoryPlot::set_time_range(double from, double to) {
    setting_range_ = true;
    xAxis->setRange(base_ + from, base_ + to);
    setting_range_ = false;
    rebuild(); // also when the range stayed the same but the data did not
}

void HistoryPlot::range_changed(const QCPRange& /*range*/) {
    if (!setting_range_) {
        follow_ = false; // the user moved or zoomed
        rebuild();
    }
}

void HistoryPlot::fit_values() {
    // Different headroom on each axis: steady readings would otherwise draw as one line.
    const std::array<double, 3> headroom{1.1, 1.4, 1.8};
    for (std::size_t k = 0; k < 3; ++k) {
        axes_[k]->setRange(0, peaks_[k] > 0 ? peaks_[k] * headroom[k] : 1.0);
    }
}

void HistoryPlot::rebuild() {
    if (!series_) {
        for (QCPGraph* graph : graphs_) {
            graph->data()->clear();
        }
        reduced_ = false;
        return;
    }
    const QCPRange range = xAxis->range();
    const int columns = std::max(1, axisRect()->width());
    history::make_plot_view(series_->samples, range.lower - base_, range.upper - base_, columns,
                            view_);
    const auto& s = series_->samples;
    const auto before = [](const history::Sample& a, double t) { return a.seconds < t; };
    const auto first = std::lower_bound(s.begin(), s.end(), range.lower - base_, before);
    const auto end = std::lower_bound(first, s.end(), range.upper - base_, before);
    reduced_ = end - first > 2 * static_cast<std::ptrdiff_t>(columns);
    for (std::size_t k = 0; k < 3; ++k) {
        QVector<QCPGraphData>& data = data_[k];
        data.resize(static_cast<qsizetype>(view_.seconds.size()));
        for (std::size_t i = 0; i < view_.seconds.size(); ++i) {
            data[static_cast<qsizetype>(i)] = {base_ + view_.seconds[i], view_.values[k][i]};
        }
        graphs_[k]->data()->set(data, true);
    }
}

int HistoryPlot::points_shown() const {
    return graphs_[0]->dataCount();
}

QCPRange HistoryPlot::seconds_shown() const {
    return {xAxis->range().lower - base_, xAxis->range().upper - base_};
}

void HistoryPlot::resizeEvent(QResizeEvent* event) {
    QCustomPlot::resizeEvent(event);
    rebuild();
}

void HistoryPlot::point_at(double seconds) {
    if (!series_ || series_->samples.empty()) {
        hide_cursor();
        return;
    }
    const std::vector<history::Sample>& s = series_->samples;
    auto it = std::lower_bound(s.begin(), s.end(), seconds,
                               [](const history::Sample& a, double t) { return a.seconds < t; });
    if (it == s.end() ||
        (it != s.begin() && seconds - std::prev(it)->seconds < it->seconds - seconds)) {
        --it;
    }
    const platform::DateTime m = history::moment_after(series_->start, it->seconds);
    const QString time = QStringLiteral("%1-%2-%3 %4:%5:%6")
                             .arg(m.year)
                             .arg(m.month, 2, 10, QLatin1Char('0'))
                             .arg(m.day, 2, 10, QLatin1Char('0'))
                             .arg(m.hour, 2, 10, QLatin1Char('0'))
                             .arg(m.minute, 2, 10, QLatin1Char('0'))
                             .arg(m.second, 2, 10, QLatin1Char('0'));
    cursor_text_ = qt::qtext(texts::kHistoryTracer)
                       .arg(time, fixed(history::volts_of(*it), 2), fixed(history::amps_of(*it), 3),
                            fixed(history::watts_of(*it), 3));
    cursor_->point1->setCoords(base_ + it->seconds, 0);
    cursor_->point2->setCoords(base_ + it->seconds, 1);
    label_->setText(cursor_text_);
    cursor_->setVisible(true);
    label_->setVisible(true);
    layer(QStringLiteral("overlay"))->replot();
}

void HistoryPlot::mouseMoveEvent(QMouseEvent* event) {
    QCustomPlot::mouseMoveEvent(event);
    if (axisRect()->rect().contains(event->pos())) {
        point_at(xAxis->pixelToCoord(event->pos().x()) - base_);
    } else if (cursor_->visible()) {
        hide_cursor();
        layer(QStringLiteral("overlay"))->replot();
    }
}

void HistoryPlot::mouseDoubleClickEvent(QMouseEvent* event) {
    QCustomPlot::mouseDoubleClickEvent(event);
    show_all();
}

void HistoryPlot::leaveEvent(QEvent* event) {
    QCustomPlot::leaveEvent(event);
    hide_cursor();
    layer(QStringLiteral("overlay"))->replot();
}

void HistoryPlot::hide_cursor() {
    cursor_text_.clear();
    cursor_->setVisible(false);
    label_->setVisible(false);
}

} // namespace kelvo::extra

// The plot's meta-object is compiled here rather than in a file of its own: QCustomPlot's
// header brings all of Qt Widgets with it, and reading it once less saves about ten seconds
// of every build.
#include "moc_history_plot.cpp" // NOLINT(bugprone-suspicious-include): moc output
