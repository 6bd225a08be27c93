// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt/tools/run_report_image.h"

#include "history/run_report.h"
#include "posix/record_io.h"
#include "qt/tools/history_plot.h"

#include <QBuffer>
#include <QImage>
#include <QPixmap>

namespace kelvo::tools {

namespace {

// The plot of a series as the history window draws it, in the window's language, as the
// bytes of a PNG; empty when it could not be made.
QByteArray plot_png(const history::Series& series, bool english) {
    HistoryPlot plot(nullptr);
    plot.setAttribute(Qt::WA_DontShowOnScreen);
    plot.resize(RunReportImage::kWidth, RunReportImage::kHeight);
    plot.set_english(english);
    plot.set_axis_names(
        qt::qtext(english, texts::kHistoryTime), qt::qtext(english, texts::kHistoryVoltage),
        qt::qtext(english, texts::kHistoryCurrent), qt::qtext(english, texts::kHistoryPower));
    plot.show();
    plot.show_series(&series);
    plot.replot(QCustomPlot::rpImmediateRefresh);
    const QImage image = plot.toPixmap(RunReportImage::kWidth, RunReportImage::kHeight).toImage();
    plot.show_series(nullptr);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    if (image.isNull() || !buffer.open(QIODevice::WriteOnly) || !image.save(&buffer, "PNG")) {
        return {};
    }
    return bytes;
}

} // namespace

RunReportImage::RunReportImage(QWidget* parent, Form1& form) : Tool(parent, form) {}

void RunReportImage::record_saved(const std::string& record_path, bool program_run) {
    if (!program_run) {
        return;
    }
    // Once the save is over and the event loop is back: the record and its events file are
    // whole on disk then.
    QMetaObject::invokeMethod(
        this, [this, record_path] { write_image(record_path); }, Qt::QueuedConnection);
}

std::string RunReportImage::write_image(const std::string& record_path) {
    const std::string path = history::report_image_path_of(record_path);
    history::Series series;
    std::string reason = posix::read_period_files(record_path, series);
    if (reason.empty() && series.error != history::ReadError::None) {
        reason = form_.text(series.error == history::ReadError::NotRecord ? texts::kNotRecord
                                                                          : texts::kNoDateLine);
    }
    if (!reason.empty()) {
        reason = texts::fill(form_.text(texts::kReportImageNotDrawn), {reason});
    } else if (const QByteArray png = plot_png(series, form_.english_mode); png.isEmpty()) {
        reason = form_.text(texts::kPngNotWritten);
    } else {
        // Made new under a name of its own and linked to its name only when whole: a link, a
        // FIFO or any file planted at the name is refused, never opened or replaced.
        reason = form_.Files.write_new_file(path, png.toStdString());
    }
    if (!reason.empty()) {
        form_.monitor_line(texts::fill(form_.text(texts::kReportImageNotSaved), {path, reason}));
    }
    return reason;
}

void add_run_report_image(const ToolContext& context) {
    new RunReportImage(context.main_window, context.form);
}

} // namespace kelvo::tools
