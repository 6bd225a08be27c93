// The period readout on the tool strip, and what the extra windows hear of a period.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/form1.h"
#include "base/texts.h"
#include "link/protocol.h"

namespace kelvo {

void Form1::tell_reply(const std::string& frame) {
    if (observers.empty()) {
        return;
    }
    const double volts = reading_volts(voltage_reading);
    const double amps = reading_amps(current_reading);
    tell_observers([&](platform::Observer& o) { o.reply(frame, volts, amps, over_current); });
}

platform::Reading Form1::period_figures() const {
    platform::Reading figures = last_reading;
    figures.seconds = period_meter.elapsed(Clock.steady_seconds());
    figures.coulombs = period_meter.coulombs();
    figures.joules = period_meter.joules();
    return figures;
}

void Form1::start_period_meter() {
    period_moment = Clock.now();
    period_meter.start(Clock.steady_seconds());
    last_reading = {};
    last_reading.moment = period_moment;
    show_period_readout();
    tell_observers([this](platform::Observer& o) { o.period_started(period_moment); });
}

void Form1::meter_reading() {
    const double volts = reading_volts(voltage_reading);
    const double amps = reading_amps(current_reading);
    const bool measured = reading_is_measurement();
    period_meter.add(Clock.steady_seconds(), volts, amps, measured);
    last_reading.moment = Clock.now();
    last_reading.volts = volts;
    last_reading.amps = amps;
    last_reading.measured = measured;
    const platform::Reading figures = period_figures();
    tell_observers([&figures](platform::Observer& o) { o.reading(figures); });
}

void Form1::stop_period_meter() {
    if (!period_meter.running()) {
        return;
    }
    period_meter.stop(Clock.steady_seconds());
    show_period_readout();
    const platform::Reading figures = period_figures();
    tell_observers([&figures](platform::Observer& o) { o.period_ended(figures); });
}

void Form1::show_period_readout() {
    const platform::Reading figures = period_figures();
    std::string readout = texts::fill(text(texts::kPeriodReadout),
                                      {elapsed_text(figures.seconds), charge_text(figures.coulombs),
                                       energy_text(figures.joules)});
    // The supply fell silent, or a port opened that has not answered: said from the first
    // read second without a valid reply, before the link is given up.
    if (read_seconds_seen && !reading_is_measurement()) {
        readout = std::string(text(texts::kSupplyNotAnswering)) + "   " + readout;
    }
    PeriodReadout.set_caption(readout);
}

} // namespace kelvo
