// platform/: what the windows beyond the main one (history, monitor, port choice) hear of
// the program as it runs. Every call comes on the window's thread, after the main window
// has done its own part; an observer only looks, it never changes what goes on the wire.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/timeline.h"
#include "platform/services.h"

#include <string>

namespace kelvo::platform {

// A reading of the supply while the output is on, once a second, as it goes into the record.
struct Reading {
    DateTime moment; // the time of day written into the record with it
    double volts = 0;
    double amps = 0;
    double seconds = 0;  // since the output went on, by the steady clock
    double coulombs = 0; // charge of the period so far
    double joules = 0;   // energy of the period so far
    // From a valid reply of the latest read second. A reading that is not is logged in the
    // record as always but counts for nothing: a live plot shows a gap there.
    bool measured = true;
};

class Observer {
public:
    virtual ~Observer() = default;
    // The output went on: a new period, and a new record, begins.
    virtual void period_started(const DateTime& /*moment*/) {}
    virtual void reading(const Reading& /*reading*/) {}
    // The output went off; the period's figures are final.
    virtual void period_ended(const Reading& /*last*/) {}
    // The command frame on the wire changed (not each character sent).
    virtual void frame_changed(const std::string& /*frame*/) {}
    // A valid reply of the supply, with what it says.
    virtual void reply(const std::string& /*frame*/, double /*volts*/, double /*amps*/,
                       bool /*over_current*/) {}
    // The search for the supply, a port opened, refused, lost.
    virtual void link_event(const std::string& /*text*/) {}
    // Remote control: a client came or went, or a client's command changed something.
    virtual void remote_event(const std::string& /*text*/) {}
    // A step program started or ended (the step table is in use while one runs).
    virtual void program_changed(bool /*running*/) {}
    // The user chose the other language: captions of the extra windows follow.
    virtual void language_changed(bool /*english*/) {}
    // An event of the running period's timeline.
    virtual void event(const kelvo::PeriodEvent& /*event*/) {}
    // Other limits are in force (Form1::output_limits).
    virtual void limits_changed() {}
    // A period's record (and its events file) is saved at `record_path`; `program_run` when
    // a step program ran in it, whose report is beside it then.
    virtual void record_saved(const std::string& /*record_path*/, bool /*program_run*/) {}
};

} // namespace kelvo::platform
