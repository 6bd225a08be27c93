// The cost of one polling tick on the fake platform: the read second, with a second's
// worth of replies (60 frames) waiting, and an ordinary tick.
//
//   kelvo-tick-bench
// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/form1.h"
#include "fake/fake_platform.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

int main() {
    using Clock = std::chrono::steady_clock;
    kelvo::fake::FakeForm ui;
    ui.Adodc1.rows = {{1.0, 5.0, 1.0, 3.0}};
    ui.MSComm1.ports[5] = kelvo::platform::OpenResult::Opened;
    kelvo::Form1 form(ui.controls());
    form.Form_Load();
    ui.Timer1.tick(); // opens the port

    std::string second;
    for (int i = 0; i < 60; ++i) {
        second += "QZPPSU1200A1200W";
    }
    std::vector<double> read_ticks;
    std::vector<double> other_ticks;
    const int rounds = 20000;
    for (int round = 0; round < rounds; ++round) {
        ui.MSComm1.queue_read(second);
        for (int t = 0; t < 10; ++t) {
            const int reads = ui.MSComm1.reads;
            const auto t0 = Clock::now();
            ui.Timer1.tick();
            const double us = std::chrono::duration<double, std::micro>(Clock::now() - t0).count();
            (ui.MSComm1.reads != reads ? read_ticks : other_ticks).push_back(us);
        }
        if (round % 100 == 0) {
            ui.Picture2.cls(); // the fake monitor keeps every line: keep it small
        }
    }
    auto report = [](const char* what, std::vector<double>& v) {
        std::sort(v.begin(), v.end());
        std::printf("%-34s median %.2f us, p99 %.2f us, max %.2f us (%zu ticks)\n", what,
                    v[v.size() / 2], v[v.size() * 99 / 100], v.back(), v.size());
    };
    report("read tick, 60 frames queued", read_ticks);
    report("other ticks", other_ticks);
    return 0;
}
