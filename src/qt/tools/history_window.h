// qt/tools/: the history window: a record file, or the output period as it runs, as graphs
// of voltage, current and power, with the period's charge and energy, the latest records
// to choose from, and the export to CSV and PNG.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "history/period_sum.h"
#include "history/record_reader.h"
#include "qt/tools/tool.h"

#include <QMainWindow>

#include <functional>
#include <memory>

class QLabel;
class QListWidget;
class QListWidgetItem;
class QMenu;
class QAction;
class QPlainTextEdit;
class QTabWidget;

class QThread;

namespace kelvo::tools {

class HistoryPlot;

class HistoryWindow : public Tool<QMainWindow> {
    Q_OBJECT
public:
    HistoryWindow(Form1& form, QWidget* parent);
    ~HistoryWindow() override;
    HistoryWindow(const HistoryWindow&) = delete;
    HistoryWindow& operator=(const HistoryWindow&) = delete;

    // Reads the record on a thread of its own; the window shows it when read.
    void open_record(const QString& path);
    bool loading() const { return loader_ != nullptr; }
    void show_live();
    // What is shown: the live period or the record read last.
    const history::Series& shown() const { return showing_live_ ? live_ : file_; }
    // False, with the reason in the status bar, when the file could not be written.
    bool export_csv(const QString& path);
    bool export_png(const QString& path);
    HistoryPlot& plot() { return *plot_; }
    QString summary() const;
    // The report of the run shown (history/run_report.h), in the window's language.
    QString report() const;
    QTabWidget& tabs() { return *tabs_; }
    QString status() const;
    QListWidget& records() { return *list_; }
    // The latest records of the record folders, newest first: looked at again at each open.
    void refresh_records();

    void period_started(const DateTime& moment) override;
    void reading(const platform::Reading& reading) override;
    void period_ended(const platform::Reading& last) override;
    void event(const PeriodEvent& event) override;

protected:
    using QMainWindow::event; // Qt's own, beside the timeline's

private:
    void build_menu();
    void retranslate() override;
    void about_to_open() override { refresh_records(); }
    void show_shown();
    void show_summary();
    void show_report();
    void loaded(const QString& path, const std::shared_ptr<history::Series>& series,
                const QString& reason, std::size_t skipped_rows = 0);
    void item_chosen(QListWidgetItem* item);
    void ask_path(bool save, const QString& filter, const QString& suffix,
                  const std::function<void(HistoryWindow&, const QString&)>& then);
    // The period in the log as far as it has run, with its silences and events so far.
    history::Series live_so_far() const;

    history::Series live_;
    history::Figures live_figures_; // the program's own, as it counts them
    history::Series file_;
    history::Figures file_figures_;
    QString file_path_;
    std::size_t file_skipped_ = 0; // rows of its events file that did not read
    bool showing_live_ = true;
    QThread* loader_ = nullptr;
    QString pending_path_;
    HistoryPlot* plot_ = nullptr;
    QListWidget* list_ = nullptr;
    QLabel* source_ = nullptr;
    QLabel* summary_ = nullptr;
    QTabWidget* tabs_ = nullptr;
    QPlainTextEdit* report_ = nullptr;
    QMenu* file_menu_ = nullptr;
    QAction* open_action_ = nullptr;
    QAction* csv_action_ = nullptr;
    QAction* png_action_ = nullptr;
    QAction* all_action_ = nullptr;
    QAction* close_action_ = nullptr;
};

} // namespace kelvo::tools
