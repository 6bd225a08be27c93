// Appends a week of record lines (one a second: 604,800) to the real record log control
// and reports the cost of one append at the start and at the end, and the memory used.
//
//   kelvo-record-log-bench [LINES]   (default 604800)
// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt/application.h"
#include "qt/widgets/widgets.h"

#include <QApplication>
#include <QPlainTextEdit>
#include <QWidget>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

namespace {

long status_kb(const char* key) {
    std::ifstream status("/proc/self/status");
    std::string word;
    while (status >> word) {
        if (word == key) {
            long kb = 0;
            status >> kb;
            return kb;
        }
    }
    return -1;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("DISPLAY")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    kelvo::qt::prepare_application();
    const long lines = argc > 1 ? std::atol(argv[1]) : 604800;

    QWidget window;
    window.resize(700, 260);
    kelvo::qt::QtLogBox log(&window);
    log.widget()->setGeometry(10, 10, 665, 209);
    window.show();
    log.set_text("KELVO\r\nVersion: 1.0\r\n2026-12-6   14:07:09");

    using Clock = std::chrono::steady_clock;
    const long sample = 1000;
    double first_us = 0;
    double last_us = 0;
    const long rss_before = status_kb("VmRSS:");
    const auto started = Clock::now();
    for (long i = 0; i < lines; ++i) {
        const auto t0 = Clock::now();
        log.append_text("\r\n14:07:09          12.34V          0.567A");
        log.set_sel_start(log.text_length());
        if (i % 1000 == 0) {
            QCoreApplication::processEvents(); // let it paint now and then, as it would
        }
        const double us = std::chrono::duration<double, std::micro>(Clock::now() - t0).count();
        if (i < sample) {
            first_us += us;
        } else if (i >= lines - sample) {
            last_us += us;
        }
    }
    const double total_s = std::chrono::duration<double>(Clock::now() - started).count();
    std::printf("lines appended      %ld in %.1f s\n", lines, total_s);
    std::printf("append, first %ld    %.1f us each\n", sample, first_us / sample);
    std::printf("append, last %ld     %.1f us each\n", sample, last_us / sample);
    std::printf("log text            %.1f MB\n", static_cast<double>(log.text().size()) / 1e6);
    std::printf("memory (RSS)        %.1f MB before, %.1f MB after, peak %.1f MB\n",
                static_cast<double>(rss_before) / 1024,
                static_cast<double>(status_kb("VmRSS:")) / 1024,
                static_cast<double>(status_kb("VmHWM:")) / 1024);
    return 0;
}
