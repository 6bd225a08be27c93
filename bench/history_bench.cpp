// The history window on a week-long record (604,800 readings, one a second): reading it
// into the window, moving and zooming the time axis, one live reading added to a week, and
// the command line's CSV export of the same file.
//
//   kelvo-history-bench KELVO-BINARY [READINGS]   (default 604800)
// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/form1.h"
#include "qt/application.h"
#include "qt/tools/history_plot.h"
#include "qt/tools/history_window.h"
#include "qt/window/form.h"
#include "record/record_log.h"

#include <QApplication>
#include <QElapsedTimer>
#include <algorithm>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;

long rss_kb() {
    std::ifstream status("/proc/self/status");
    std::string word;
    while (status >> word) {
        if (word == "VmRSS:") {
            long kb = 0;
            status >> kb;
            return kb;
        }
    }
    return -1;
}

double ms_since(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

std::string write_week(const std::string& folder, long readings) {
    std::string path = folder + "/Record/2026127155016.TXT";
    std::filesystem::create_directories(folder + "/Record");
    std::ofstream out(path, std::ios::binary);
    kelvo::DateTime start{2026, 12, 7, 15, 50, 16};
    out << "KELVO\r\nVersion: 1.0\r\n" << kelvo::record_date_line(start, "15:50:16") << "\r\n";
    char time[16], volts[16], amps[16];
    for (long k = 1; k <= readings; ++k) {
        const long s = (15 * 3600 + 50 * 60 + 16 + k) % 86400;
        std::snprintf(time, sizeof time, "%ld:%02ld:%02ld", s / 3600, s / 60 % 60, s % 60);
        std::snprintf(volts, sizeof volts, "%05.2fV", 12 + (k % 300) / 100.0);
        std::snprintf(amps, sizeof amps, "%.3fA", 1 + (k % 3600) / 3600.0);
        out << kelvo::record_reading_line(time, volts, amps) << "\r\n";
    }
    out << "Save Path:" << path << "\r\n";
    return path;
}

// Redraws after `change`, each drawn at once; the average in milliseconds.
template <typename Change> double redraw_ms(kelvo::tools::HistoryPlot& plot, Change change) {
    const int rounds = 40;
    const auto start = Clock::now();
    for (int k = 0; k < rounds; ++k) {
        change(k);
        plot.replot(QCustomPlot::rpImmediateRefresh);
    }
    return ms_since(start) / rounds;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("DISPLAY")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    kelvo::qt::prepare_application();
    if (argc < 2) {
        std::fprintf(stderr, "usage: kelvo-history-bench KELVO-BINARY [READINGS]\n");
        return 2;
    }
    const long readings = argc > 2 ? std::atol(argv[2]) : 604800;
    const std::string folder = std::filesystem::temp_directory_path() / "kelvo-history-bench";
    std::filesystem::remove_all(folder);
    const std::string record = write_week(folder, readings);
    std::printf("record              %ld readings, %.1f MB\n", readings,
                static_cast<double>(std::filesystem::file_size(record)) / 1e6);

    kelvo::qt::QtForm form(folder);
    kelvo::Form1 logic(form.controls());
    auto* window = new kelvo::tools::HistoryWindow(logic, &form.main_window());
    window->show();
    QCoreApplication::processEvents();
    const long rss_before = rss_kb();
    auto start = Clock::now();
    window->open_record(QString::fromStdString(record));
    while (window->loading()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    }
    window->plot().replot(QCustomPlot::rpImmediateRefresh);
    std::printf("open in the window  %.0f ms, %.1f MB added (RSS)\n", ms_since(start),
                static_cast<double>(rss_kb() - rss_before) / 1024);

    kelvo::tools::HistoryPlot& plot = window->plot();
    QCPAxis* time = plot.xAxis;
    std::printf("pan, whole week     %.1f ms a redraw (%d points)\n",
                redraw_ms(plot, [&](int k) { time->moveRange(k % 2 ? 3600 : -3600); }),
                plot.points_shown());
    std::printf("zoom in and out     %.1f ms a redraw\n",
                redraw_ms(plot, [&](int k) { time->scaleRange(k % 2 ? 0.25 : 4.0); }));
    time->scaleRange(1.0 / 2000); // about five minutes
    std::printf("pan, five minutes   %.1f ms a redraw (%d points)\n",
                redraw_ms(plot, [&](int k) { time->moveRange(k % 2 ? 30 : -30); }),
                plot.points_shown());

    // The live period: a week shown whole, one more reading.
    kelvo::history::Series live = window->shown();
    kelvo::tools::HistoryPlot live_plot(nullptr);
    live_plot.resize(plot.size());
    live_plot.show_series(&live);
    live_plot.replot(QCustomPlot::rpImmediateRefresh);
    const int added = 200;
    double add_ms = 0;
    double add_worst_ms = 0;
    double draw_ms = 0;
    for (int k = 0; k < added; ++k) {
        live.samples.push_back({live.samples.back().seconds + 1, 1234, 1500});
        start = Clock::now();
        live_plot.series_grew();
        add_worst_ms = std::max(add_worst_ms, ms_since(start));
        add_ms += ms_since(start);
        start = Clock::now();
        live_plot.replot(QCustomPlot::rpImmediateRefresh);
        draw_ms += ms_since(start);
    }
    std::printf("live reading added  %.3f ms (worst %.2f ms: the axis grows), then its redraw "
                "%.1f ms (a week shown whole)\n",
                add_ms / added, add_worst_ms, draw_ms / added);

    const std::string command =
        std::string(argv[1]) + " --export-csv " + record + " " + folder + "/week.csv";
    start = Clock::now();
    const int code = std::system(command.c_str());
    std::printf("CSV export (binary) %.0f ms, exit %d, %.1f MB\n", ms_since(start), code,
                static_cast<double>(std::filesystem::file_size(folder + "/week.csv")) / 1e6);
    std::filesystem::remove_all(folder);
    return 0;
}
