// The simulated supply's behaviour, apart from the terminal it talks through: it reads
// command frames out of the byte stream as the instrument does and makes reply frames.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kelvo::sim {

struct Command {
    int voltage_code = 0; // 10 mV
    char mode = 'H';      // "H" steady output, "C" trip out
    int current_code = 0; // 1 mA
    bool output_on = false;
};

// Collects the received stream and finds the newest complete command frame in it.
class CommandReader {
public:
    // Feeds received bytes; returns the newest complete, well-formed command they finish.
    std::optional<Command> feed(std::string_view bytes);
    // Feeds received bytes; returns every complete, well-formed command they finish, oldest
    // first.
    std::vector<Command> feed_all(std::string_view bytes);

private:
    std::string pending_;
};

// A resistive load on the output: reads the set voltage and V/R while that is within
// the current limit, otherwise limits at the set current and reports over-current.
struct Reading {
    int voltage_code = 0;
    int current_code = 0;
    char status = 'W';
};
Reading measure(const Command& command, double load_ohms);

// A rechargeable pack on the output instead of the resistor: `cells` cells in series whose
// open-circuit voltage rises with the charge in them, from `empty_volts` to `full_volts` a
// cell, behind an internal resistance. The supply gives the current the set voltage drives
// into it, up to the current limit (limiting, it reports over-current as with a resistor):
// so the current stays at the limit while the pack fills and tapers under constant voltage
// once the pack is near the set voltage. It is never discharged by the supply.
struct CellPack {
    double capacity_mah = 10;
    int cells = 1;
    double empty_volts = 3.0;
    double full_volts = 4.2;
    double ohms = 0.2; // the whole pack's
    double charge_mah = 0;

    double open_volts() const;
    Reading measure(const Command& command) const;
    // The charge the reading's current brings in over `seconds`.
    void charge(const Command& command, double seconds);
};

// A supply whose voltmeter reads high: while the output is on, the voltage reads `volts`
// above what the load takes, in whole 10 mV, never past 99.99 V. With the output off it
// still reads 0.
Reading read_high(const Command& command, Reading reading, double volts);

// "QZPPSU" + four voltage digits + "A" + four current digits + status.
std::string reply_frame(const Reading& reading);

// Picks the commands worth a line in the log of what the supply is told: the first one,
// each that switches the output on or off, and each that changes the voltage set-point.
class OutputChanges {
public:
    bool worth_a_line(const Command& command);

private:
    std::optional<Command> last_;
};

// "<ms since the Unix epoch> <O|N> <voltage code> <current code>\n", codes in four digits.
std::string output_log_line(long long epoch_ms, const Command& command);

} // namespace kelvo::sim
