// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt/tools/history_window.h"

#include "app/form1.h"
#include "base/texts.h"
#include "history/period_timeline.h"
#include "history/record_csv.h"
#include "history/run_report.h"
#include "meter/period_meter.h"
#include "posix/own_folder.h"
#include "posix/record_io.h"
#include "qt/application.h"
#include "qt/tools/history_plot.h"

#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDatabase>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QThread>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <utility>

#include <mutex>

namespace kelvo::tools {

namespace {

// How many of the latest records the list offers.
constexpr int kRecordsListed = 20;

} // namespace

HistoryWindow::HistoryWindow(Form1& form, QWidget* parent) : Tool(parent, form) {
    setWindowFlag(Qt::Window);
    plot_ = new HistoryPlot(this);
    list_ = new QListWidget(this);
    source_ = new QLabel(this);
    summary_ = new QLabel(this);
    source_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* right = new QWidget(this);
    auto* layout = new QVBoxLayout(right);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(source_);
    layout->addWidget(summary_);
    // The graphs and the report of the run, one tab each.
    tabs_ = new QTabWidget(this);
    report_ = new QPlainTextEdit(this);
    report_->setReadOnly(true);
    report_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    tabs_->addTab(plot_, QString());
    tabs_->addTab(report_, QString());
    layout->addWidget(tabs_, 1);
    auto* split = new QSplitter(this);
    split->addWidget(list_);
    split->addWidget(right);
    split->setStretchFactor(1, 1);
    split->setSizes({220, 900});
    setCentralWidget(split);
    resize(1120, 620);
    build_menu();
    connect(list_, &QListWidget::itemActivated, this, &HistoryWindow::item_chosen);
    connect(list_, &QListWidget::itemClicked, this, &HistoryWindow::item_chosen);
    // The period running now, or the last one, as the log holds it.
    live_ = live_so_far();
    const platform::Reading figures = form_.period_figures();
    live_figures_ = {figures.coulombs, figures.joules};
    retranslate();
    show_shown();
}

HistoryWindow::~HistoryWindow() {
    if (loader_) {
        loader_->wait();
    }
}

history::Series HistoryWindow::live_so_far() const {
    std::string log = form_.Text3.text();
    if (form_.period_meter.running()) {
        // The note lines come at the end of a period: until then the spans are the
        // program's, and they read as the notes will.
        for (const SilenceSpan& span : form_.silence_spans.spans()) {
            log += texts::kCrLf + texts::fill(texts::kSilenceNote.en, {span.from, span.to});
        }
    }
    history::RecordReader reader;
    reader.use_events(form_.period_events);
    reader.feed(log);
    reader.finish();
    history::Series series = reader.take();
    if (series.error == history::ReadError::None) {
        history::attach_timeline(series, form_.period_events);
    }
    return series;
}

void HistoryWindow::build_menu() {
    file_menu_ = menuBar()->addMenu(QString());
    open_action_ = file_menu_->addAction(QString(), this, [this] {
        ask_path(false, text(texts::kHistoryRecordFiles), {}, &HistoryWindow::open_record);
    });
    open_action_->setShortcut(QKeySequence::Open);
    csv_action_ = file_menu_->addAction(QString(), this, [this] {
        ask_path(true, text(texts::kHistoryCsvFiles), QStringLiteral("csv"),
                 [](HistoryWindow& w, const QString& path) { w.export_csv(path); });
    });
    png_action_ = file_menu_->addAction(QString(), this, [this] {
        ask_path(true, text(texts::kHistoryPngFiles), QStringLiteral("png"),
                 [](HistoryWindow& w, const QString& path) { w.export_png(path); });
    });
    all_action_ = file_menu_->addAction(QString(), this, [this] { plot_->show_all(); });
    file_menu_->addSeparator();
    close_action_ = file_menu_->addAction(QString(), this, &QWidget::close);
}

void HistoryWindow::ask_path(bool save, const QString& filter, const QString& suffix,
                             const std::function<void(HistoryWindow&, const QString&)>& then) {
    // Not a modal loop of its own: the program's timers go on while the user chooses.
    auto* dialog = new QFileDialog(this, QString(), QDir::homePath(), filter);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog->setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    if (!suffix.isEmpty()) {
        dialog->setDefaultSuffix(suffix);
    }
    connect(dialog, &QFileDialog::fileSelected, this,
            [this, then](const QString& path) { then(*this, path); });
    dialog->open();
}

void HistoryWindow::retranslate() {
    setWindowTitle(text(texts::kHistoryTitle));
    file_menu_->setTitle(text(texts::kHistoryFile));
    open_action_->setText(text(texts::kHistoryOpen));
    csv_action_->setText(text(texts::kHistoryExportCsv));
    png_action_->setText(text(texts::kHistoryExportPng));
    all_action_->setText(text(texts::kHistoryShowAll));
    close_action_->setText(text(texts::kHistoryClose));
    plot_->set_english(form_.english_mode);
    plot_->set_axis_names(text(texts::kHistoryTime), text(texts::kHistoryVoltage),
                          text(texts::kHistoryCurrent), text(texts::kHistoryPower));
    tabs_->setTabText(0, text(texts::kReportTabPlot));
    tabs_->setTabText(1, text(texts::kReportTabReport));
    refresh_records();
    source_->setText(showing_live_ ? text(texts::kHistoryLive) : file_path_);
    show_summary();
    show_report();
}

void HistoryWindow::refresh_records() {
    QFileInfoList files;
    for (const std::string& folder : form_.record_folders()) {
        files += QDir(QString::fromStdString(folder))
                     // Records only: not the run's report beside one, "NAME.report.txt".
                     .entryInfoList({QStringLiteral("*.TXT")}, QDir::Files | QDir::CaseSensitive,
                                    QDir::Time);
    }
    // Newest first; records of the same second by name, so the list does not reorder.
    std::sort(files.begin(), files.end(), [](const QFileInfo& a, const QFileInfo& b) {
        const QDateTime ta = a.lastModified();
        const QDateTime tb = b.lastModified();
        return ta != tb ? ta > tb : a.filePath() < b.filePath();
    });
    list_->clear();
    auto* live = new QListWidgetItem(text(texts::kHistoryLive), list_);
    live->setData(Qt::UserRole, QString());
    for (qsizetype k = 0; k < files.size() && k < kRecordsListed; ++k) {
        auto* item = new QListWidgetItem(
            files[k].lastModified().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) +
                QStringLiteral("  ") + files[k].fileName(),
            list_);
        item->setData(Qt::UserRole, files[k].absoluteFilePath());
        item->setToolTip(files[k].absoluteFilePath());
    }
}

void HistoryWindow::item_chosen(QListWidgetItem* item) {
    const QString path = item->data(Qt::UserRole).toString();
    if (path.isEmpty()) {
        show_live();
    } else if (path != file_path_ || showing_live_) {
        open_record(path);
    }
}

void HistoryWindow::show_live() {
    showing_live_ = true;
    show_shown();
}

void HistoryWindow::open_record(const QString& path) {
    if (loader_) {
        pending_path_ = path; // read once the file being read now is done
        return;
    }
    statusBar()->showMessage(text(texts::kHistoryLoading).arg(path));
    // Handed over under a lock of our own: the reading thread fills it, the window takes it.
    struct Result {
        std::mutex lock;
        history::Series series;
        std::string reason;
        std::size_t skipped = 0;
    };
    auto result = std::make_shared<Result>();
    loader_ = QThread::create([result, file = path.toStdString()] {
        history::Series series;
        std::size_t skipped = 0;
        std::string reason = posix::read_period_files(file, series, &skipped);
        const std::lock_guard<std::mutex> hold(result->lock);
        result->series = std::move(series);
        result->reason = std::move(reason);
        result->skipped = skipped;
    });
    connect(loader_, &QThread::finished, this, [this, path, result] {
        loader_->deleteLater();
        loader_ = nullptr;
        auto series = std::make_shared<history::Series>();
        std::string reason;
        std::size_t skipped = 0;
        {
            const std::lock_guard<std::mutex> hold(result->lock);
            *series = std::move(result->series);
            reason = std::move(result->reason);
            skipped = result->skipped;
        }
        loaded(path, series, QString::fromStdString(reason), skipped);
        if (!pending_path_.isEmpty()) {
            open_record(std::exchange(pending_path_, QString()));
        }
    });
    loader_->start();
}

void HistoryWindow::loaded(const QString& path, const std::shared_ptr<history::Series>& series,
                           const QString& reason, std::size_t skipped_rows) {
    QString why = reason;
    if (why.isEmpty() && series->error != history::ReadError::None) {
        why = text(series->error == history::ReadError::NotRecord ? texts::kNotRecord
                                                                  : texts::kNoDateLine);
    }
    if (!why.isEmpty()) {
        statusBar()->showMessage(text(texts::kHistoryFailed).arg(path, why));
        return;
    }
    statusBar()->clearMessage();
    file_ = std::move(*series);
    file_figures_ = history::period_figures(file_);
    file_path_ = path;
    file_skipped_ = skipped_rows;
    showing_live_ = false;
    show_shown();
}

void HistoryWindow::show_shown() {
    source_->setText(showing_live_ ? text(texts::kHistoryLive) : file_path_);
    const history::Series& series = shown();
    plot_->show_series(series.error == history::ReadError::None ? &series : nullptr);
    show_summary();
    show_report();
}

QString HistoryWindow::report() const {
    if (showing_live_ && live_.error != history::ReadError::None) {
        return text(texts::kHistoryNoPeriod);
    }
    const history::RunReport report =
        history::run_report(shown(), showing_live_ ? 0 : file_skipped_);
    return QString::fromStdString(history::report_text(report, form_.english_mode));
}

void HistoryWindow::show_report() {
    report_->setPlainText(report());
}

QString HistoryWindow::summary() const {
    const history::Series& s = shown();
    if (s.error != history::ReadError::None) {
        return text(texts::kHistoryNoPeriod);
    }
    const history::Figures& figures = showing_live_ ? live_figures_ : file_figures_;
    QStringList notes;
    const bool running = showing_live_ && form_.period_meter.running();
    notes << text(s.saved       ? texts::kHistorySaved
                  : s.not_saved ? texts::kHistoryNotSaved
                  : running     ? texts::kHistoryRunning
                                : texts::kHistoryCut);
    if (s.recovered) {
        notes << text(texts::kHistoryRecovered);
    }
    if (s.limit_off) {
        notes << text(texts::kHistoryLimitOff).arg(QString::fromStdString(s.limit_reason));
    }
    if (const std::size_t silent = history::unmeasured_count(s); silent > 0) {
        notes << text(texts::kHistoryUnmeasured).arg(silent);
    }
    if (s.junk > 0) {
        notes << text(texts::kHistoryJunk).arg(s.junk);
    }
    return text(texts::kHistorySummary)
        .arg(QString::number(s.samples.size()),
             QString::fromStdString(charge_text(figures.coulombs)),
             QString::fromStdString(energy_text(figures.joules)), notes.join(QStringLiteral(", ")));
}

QString HistoryWindow::status() const {
    return statusBar()->currentMessage();
}

void HistoryWindow::show_summary() {
    summary_->setText(summary());
}

bool HistoryWindow::export_csv(const QString& path) {
    // The command line's writer: the same bytes, and never a half-written file.
    const std::string why = posix::write_csv_file(shown(), qt::utf8(path));
    if (why.empty()) {
        statusBar()->showMessage(path);
        return true;
    }
    statusBar()->showMessage(text(texts::kHistoryFailed).arg(path, QString::fromStdString(why)));
    return false;
}

bool HistoryWindow::export_png(const QString& path) {
    // A FIFO or a device at the name would hold the open, and the window with it.
    const std::string refusal = posix::unwaitable_refusal(qt::utf8(path));
    if (refusal.empty() && plot_->savePng(path)) {
        statusBar()->showMessage(path);
        return true;
    }
    const QString why =
        refusal.empty() ? text(texts::kPngNotWritten) : QString::fromStdString(refusal);
    statusBar()->showMessage(text(texts::kHistoryFailed).arg(path, why));
    return false;
}

void HistoryWindow::period_started(const DateTime& /*moment*/) {
    // The log holds the new period's first lines now; its events come after this.
    live_ = history::read_record(form_.Text3.text());
    live_figures_ = {};
    if (showing_live_) {
        show_shown();
    }
}

void HistoryWindow::reading(const platform::Reading& reading) {
    if (live_.error != history::ReadError::None) {
        return;
    }
    const std::int32_t last = live_.samples.empty() ? 0 : live_.samples.back().seconds;
    const auto seconds = static_cast<std::int32_t>(
        std::max<std::int64_t>(last, history::seconds_between(live_.start, reading.moment)));
    const auto code = [](double value, double scale) {
        return static_cast<std::uint16_t>(std::clamp(std::lround(value * scale), 0L, 65535L));
    };
    live_.samples.push_back({seconds, code(reading.volts, 100), code(reading.amps, 1000)});
    if (!reading.measured) {
        const auto index = static_cast<std::uint32_t>(live_.samples.size() - 1);
        std::vector<history::SampleRun>& runs = live_.unmeasured;
        if (!runs.empty() && runs.back().first + runs.back().count == index) {
            ++runs.back().count;
        } else {
            runs.push_back({index, 1});
        }
    }
    live_figures_ = {reading.coulombs, reading.joules};
    if (showing_live_) {
        plot_->series_grew();
        show_summary();
    }
}

void HistoryWindow::event(const PeriodEvent& event) {
    if (live_.error != history::ReadError::None) {
        return;
    }
    history::add_timeline_event(live_, event);
    if (showing_live_) {
        plot_->events_changed();
    }
}

void HistoryWindow::period_ended(const platform::Reading& last) {
    live_figures_ = {last.coulombs, last.joules};
    // The note lines and the save line come right after this: the list shows the record
    // once the event loop is back.
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (live_.error == history::ReadError::None) {
                history::read_closing_lines(form_.Text3.text(), live_);
            }
            refresh_records();
            if (showing_live_) {
                show_summary();
                show_report();
            }
        },
        Qt::QueuedConnection);
}

} // namespace kelvo::tools
