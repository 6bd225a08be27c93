// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt/tools/history_plot.h"

#include "qt/tools/history_event_text.h"

#include "base/texts.h"
#include "history/period_timeline.h"
#include "meter/period_meter.h"
#include "qt/application.h"

#include <QTimeZone>
#include <QToolTip>

#include <algorithm>
#include <cmath>
#include <iterator>

namespace kelvo::tools {

namespace {

const std::array<QColor, 3> kColors{QColor(30, 90, 220), QColor(210, 40, 40), QColor(20, 150, 60)};
// Light enough that the lines of a silence's edges stay readable through it.
const QColor kSilenceShade(240, 150, 30, 70);
// How near (pixels) the mouse must come to a mark to be told of its event.
constexpr double kMarkReach = 4;
// A tooltip names this many events at most.
constexpr int kTipEvents = 5;
static_assert(std::size(texts::kHistoryEventNames) ==
                  static_cast<std::size_t>(EventKind::ProfileRun) + 1,
              "a name for each kind of event");

QString fixed(double value, int places) {
    return QString::number(value, 'f', places);
}

// The index range of a timeline's events between two times (seconds after the date line).
std::pair<std::size_t, std::size_t> events_between(const history::Timeline& t, double from,
                                                   double to) {
    const auto at = [](double seconds) {
        return static_cast<std::int64_t>(std::floor(seconds * 1000));
    };
    const auto first = std::lower_bound(t.at_ms.begin(), t.at_ms.end(), at(from));
    const auto last = std::upper_bound(first, t.at_ms.end(), at(to) + 1);
    return {static_cast<std::size_t>(first - t.at_ms.begin()),
            static_cast<std::size_t>(last - t.at_ms.begin())};
}

} // namespace

// Drawn from the series at each redraw, only what is in sight and a band per pixel at
// most: a week with thousands of silences costs no item per silence.
class SilenceBands : public QCPAbstractItem {
public:
    explicit SilenceBands(HistoryPlot* plot) : QCPAbstractItem(plot), plot_(plot) {
        setSelectable(false);
    }
    double selectTest(const QPointF& /*pos*/, bool /*only_selectable*/,
                      QVariant* /*details*/) const override {
        return -1; // never in the way of the mouse
    }

protected:
    void draw(QCPPainter* painter) override {
        const history::Series* series = plot_->series();
        if (series == nullptr || series->unmeasured.empty()) {
            return;
        }
        const QCPAxis* x = plot_->xAxis;
        const QRect area = clipRect();
        const double lower = x->range().lower - plot_->time_key(0);
        const double upper = x->range().upper - plot_->time_key(0);
        const std::vector<history::SampleRun>& runs = series->unmeasured;
        // The first run that reaches into sight: runs and samples are in time order.
        auto run = std::lower_bound(runs.begin(), runs.end(), lower,
                                    [series](const history::SampleRun& r, double t) {
                                        return history::run_span(*series, r).to < t;
                                    });
        double left = 0;
        double right = -1;
        for (; run != runs.end(); ++run) {
            const history::RunSpan span = history::run_span(*series, *run);
            if (span.from > upper) {
                break;
            }
            const double a = x->coordToPixel(plot_->time_key(span.from));
            const double b = std::max(a + 1, x->coordToPixel(plot_->time_key(span.to)));
            if (a > right + 1) {
                fill(painter, area, left, right);
                left = a;
            }
            right = std::max(right, b);
        }
        fill(painter, area, left, right);
    }

private:
    static void fill(QCPPainter* painter, const QRect& area, double left, double right) {
        if (right >= left) {
            painter->fillRect(QRectF(left, area.top(), right - left, area.height()), kSilenceShade);
        }
    }
    HistoryPlot* plot_;
};

// A thin line through the plot and a small triangle at its top for each event in sight;
// events closer than a pixel share one mark.
class EventMarks : public QCPAbstractItem {
public:
    explicit EventMarks(HistoryPlot* plot) : QCPAbstractItem(plot), plot_(plot) {
        setSelectable(false);
    }
    double selectTest(const QPointF& /*pos*/, bool /*only_selectable*/,
                      QVariant* /*details*/) const override {
        return -1;
    }

protected:
    void draw(QCPPainter* painter) override {
        const history::Series* series = plot_->series();
        if (series == nullptr || series->timeline.events.empty()) {
            return;
        }
        const history::Timeline& t = series->timeline;
        const QCPAxis* x = plot_->xAxis;
        const QRect area = clipRect();
        const double base = plot_->time_key(0);
        const auto [first, last] =
            events_between(t, x->range().lower - base, x->range().upper - base);
        double drawn = -1e9;
        painter->setRenderHint(QPainter::Antialiasing, false);
        for (std::size_t k = first; k < last; ++k) {
            const double px =
                std::round(x->coordToPixel(base + static_cast<double>(t.at_ms[k]) / 1000.0));
            if (px < drawn + 1) {
                continue;
            }
            drawn = px;
            QColor color = mark_color(t.events[k].kind);
            const QColor solid = color;
            color.setAlpha(110);
            painter->setPen(QPen(color, 1, Qt::DotLine));
            painter->drawLine(QPointF(px, area.top() + 7), QPointF(px, area.bottom()));
            painter->setPen(Qt::NoPen);
            painter->setBrush(solid);
            const QPointF tip[3] = {{px - 4, static_cast<double>(area.top())},
                                    {px + 4, static_cast<double>(area.top())},
                                    {px, area.top() + 7.0}};
            painter->drawPolygon(tip, 3);
        }
    }

private:
    HistoryPlot* plot_;
};

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
    // The bands under the lines, the marks over them.
    bands_ = new SilenceBands(this);
    bands_->setLayer(QStringLiteral("grid"));
    bands_->setClipToAxisRect(true);
    marks_ = new EventMarks(this);
    marks_->setClipToAxisRect(true);
    cursor_ = new QCPItemStraightLine(this);
    cursor_->setPen(QPen(Qt::gray, 1, Qt::DashLine));
    label_ = new QCPItemText(this);
    label_->position->setType(QCPItemPosition::ptAxisRectRatio);
    label_->position->setCoords(0.01, 0.03); // below the event marks
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
    peaks_ = series ? history::series_peaks(series->samples, series->unmeasured)
                    : std::array<double, 3>{};
    // No readings yet: no times to name (the axis would count from 1970).
    xAxis->setTickLabels(series != nullptr && !series->samples.empty());
    hide_cursor();
    fit_values();
    show_all();
}

void HistoryPlot::show_all() {
    follow_ = true;
    double end = series_ && !series_->samples.empty() ? series_->samples.back().seconds : 0.0;
    if (series_ && series_->timeline.off_ms) {
        end = std::max(end, static_cast<double>(*series_->timeline.off_ms) / 1000.0);
    }
    set_time_range(0, std::max(end, 10.0));
    replot(rpQueuedReplot);
}

void HistoryPlot::series_grew() {
    if (!series_ || series_->samples.empty()) {
        return;
    }
    xAxis->setTickLabels(true);
    const history::Sample& last = series_->samples.back();
    const bool measured = history::is_measured(*series_, series_->samples.size() - 1);
    const double gap = std::numeric_limits<double>::quiet_NaN();
    const std::array<double, 3> now{measured ? history::volts_of(last) : gap,
                                    measured ? history::amps_of(last) : gap,
                                    measured ? history::watts_of(last) : gap};
    bool higher = false;
    for (std::size_t k = 0; k < 3 && measured; ++k) {
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

void HistoryPlot::events_changed() {
    replot(rpQueuedReplot);
}

QString HistoryPlot::event_tip(double seconds) const {
    if (!series_ || series_->timeline.events.empty()) {
        return {};
    }
    // The reach in seconds at the present zoom.
    const double reach = kMarkReach * xAxis->range().size() / std::max(1, axisRect()->width());
    const history::Timeline& t = series_->timeline;
    const auto [first, last] = events_between(t, seconds - reach, seconds + reach);
    QStringList tips;
    for (std::size_t k = first; k < last && tips.size() < kTipEvents; ++k) {
        tips << event_text(t.events[k], english_);
    }
    if (last - first > static_cast<std::size_t>(kTipEvents)) {
        tips << qt::qtext(english_, texts::kHistoryEventsMore).arg(last - first - kTipEvents);
    }
    return tips.join(QStringLiteral("\n\n"));
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
    history::make_plot_view(series_->samples, series_->unmeasured, range.lower - base_,
                            range.upper - base_, columns, view_);
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
    const DateTime m = history::moment_after(series_->start, it->seconds);
    const QString time = QStringLiteral("%1-%2-%3 %4:%5:%6")
                             .arg(m.year)
                             .arg(m.month, 2, 10, QLatin1Char('0'))
                             .arg(m.day, 2, 10, QLatin1Char('0'))
                             .arg(m.hour, 2, 10, QLatin1Char('0'))
                             .arg(m.minute, 2, 10, QLatin1Char('0'))
                             .arg(m.second, 2, 10, QLatin1Char('0'));
    if (history::is_measured(*series_, static_cast<std::size_t>(it - s.begin()))) {
        cursor_text_ = qt::qtext(texts::kHistoryTracer)
                           .arg(time, fixed(history::volts_of(*it), 2),
                                fixed(history::amps_of(*it), 3), fixed(history::watts_of(*it), 3));
    } else {
        cursor_text_ = qt::qtext(english_, texts::kHistoryTracerSilent).arg(time);
    }
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
        const double seconds = xAxis->pixelToCoord(event->pos().x()) - base_;
        point_at(seconds);
        const QString tip = event_tip(seconds);
        if (tip.isEmpty()) {
            QToolTip::hideText();
        } else {
            QToolTip::showText(event->globalPosition().toPoint(), tip, this);
        }
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

} // namespace kelvo::tools

// The plot's meta-object is compiled here rather than in a file of its own: QCustomPlot's
// header brings all of Qt Widgets with it, and reading it once less saves about ten seconds
// of every build.
#include "moc_history_plot.cpp" // NOLINT(bugprone-suspicious-include): moc output
