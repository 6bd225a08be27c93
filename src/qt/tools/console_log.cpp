// The program's lines on its standard error: each output period's figures when it ends,
// for a user who started it from a terminal and for scripts that drive it.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/form1.h"
#include "base/texts.h"
#include "meter/period_meter.h"
#include "qt/tools/tools.h"

#include <QObject>
#include <QWidget>

#include <cstdio>
#include <iostream>

namespace kelvo::tools {

namespace {

class ConsoleLog final : public QObject, public platform::Observer {
public:
    explicit ConsoleLog(QObject* parent) : QObject(parent) {}
    void period_ended(const platform::Reading& last) override {
        // The time to the hundredth: a script can check the figures against it.
        char seconds[32];
        std::snprintf(seconds, sizeof seconds, "%.2f", last.seconds);
        std::cerr << texts::fill(texts::kPeriodEndedLine.en,
                                 {seconds, charge_text(last.coulombs), energy_text(last.joules)})
                  << '\n';
    }
};

} // namespace

void add_console_log(const ToolContext& context) {
    context.form.watch(new ConsoleLog(context.main_window));
}

} // namespace kelvo::tools
