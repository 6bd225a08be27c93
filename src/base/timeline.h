// base/: the types of an output period's timeline, as the window model keeps it and
// the extra windows hear of it.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/time.h"

#include <string>

namespace kelvo {

// What happened. The names are the file's second column (never translated).
enum class EventKind {
    OutputOn,        // "output on": source = who switched it on; detail = the set-points
    OutputOff,       // "output off": source = the cause; detail = the period's figures
    VoltageSet,      // "voltage set": source = typed, preset, slider, step N, remote, limit
    CurrentSet,      // "current set": the same sources; detail = "1.000 A"
    StepBegun,       // "step begun": source = "step N"; detail = "pass P: 5.00 V 1.000 A 3 s"
    OverCurrentOn,   // "over-current on": the supply reports it (source = the port)
    OverCurrentOff,  // "over-current off"
    SupplySilent,    // "supply not answering": a read second brought no valid reply
    SupplyAnswering, // "supply answering": the first valid reply after a silence
    LinkLost,        // "link lost": the port was given up; detail = why
    LinkBack,        // "link back": a port opened again after a loss
    LimitsSet,       // "limits set": source = window, command line, file, in force
    LimitReached,    // "limit reached": source = the limit's key; detail = what broke it
    StepEnded,       // "step ended": source = "step N"; detail = "condition: I<0.100 A at
                     // 0.098 A after 754 s", "longest time: 7200 s", "seconds: 3 s",
                     // "run ended: stop" (the first word: program/step_condition.h)
    ProfileRun,      // "profile": source = the profile's name; detail = its settings
};

// Why the output went off: the source column of "output off".
enum class OffCause {
    Button,        // "button"
    Stop,          // "stop"
    RunCount,      // "run count"
    OverCurrent,   // "over-current trip"
    VoltageLimit,  // "max-voltage"
    TimeLimit,     // "max-time"
    ChargeLimit,   // "max-charge"
    EnergyLimit,   // "max-energy"
    Silence,       // "off-after-silence"
    Remote,        // "remote"
    WindowClosed,  // "window closed"
    Recovery,      // "recovery": the period was found unfinished at the next start
    StepCondition, // "step condition": a step's condition met ended the run ("stop")
};

struct PeriodEvent {
    Moment at;
    EventKind kind = EventKind::OutputOn;
    std::string source;
    std::string detail;
};

} // namespace kelvo
