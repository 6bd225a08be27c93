// remote/: one client's conversation with the program: each line's commands carried out on
// the window model, as the window's own controls would, in their order (a command that
// waits holds the lines behind it); the client's error queue and status registers.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/observer.h"
#include "remote/scpi_parser.h"
#include "remote/scpi_status.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kelvo {
class Form1;
}

namespace kelvo::remote {

// The errors kept for SYSTem:ERRor?; past it the newest one becomes "Queue overflow".
inline constexpr std::size_t kErrorQueueSize = 16;
// How long MEASure waits for a valid reply when the reading is not a measurement now: the
// supply answers once a second, so this is a reply missed and a half.
inline constexpr double kMeasureWaitSeconds = 1.5;
// Lines held behind a waiting command, at most; past it a line is refused (-223).
inline constexpr std::size_t kMaxHeldBytes = std::size_t{64} * 1024;

class Session final : private platform::Observer {
public:
    // `client` names the client on the monitor ("127.0.0.1:40312").
    Session(Form1& form, std::string client);
    ~Session() override;
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // A line (without its terminator) to carry out. Lines are carried out in their order
    // at once, unless a command of an earlier one waits: then they wait behind it.
    void submit(std::string_view line);
    // A line that was too long: an error, and the one line the client gets for it.
    void submit_too_long();
    // A command waits: MEASure for a valid reply (at most kMeasureWaitSeconds), *OPC? and
    // *WAI for the end of the running program's pass.
    bool waiting() const { return wait_.started; }
    // Goes on when what the waiting command waits for has come, or its time is up.
    void resume();
    // The answers of the lines carried out, each ended by "\n"; taken by the reading.
    std::string take_output();
    bool output_ready() const { return !output_.empty(); }
    // A device clear: the waiting command, the lines behind it and the answers not taken
    // are dropped; the status registers and the error queue stay.
    void clear_device();
    // The status byte, as *STB? gives it.
    int status_byte();

    // submit() and take_output() in one, for a line that waits for nothing.
    std::string execute(std::string_view line);
    std::string refuse_long_line();

    std::size_t errors_waiting() const { return errors_.size(); }
    const StatusRegisters& status() const { return status_; }
    const std::string& client() const { return client_; }

private:
    struct Error {
        int number;
        std::string detail;
    };
    // The line being carried out: its commands, the next one, the answers so far.
    struct Line {
        std::vector<Parsed> units;
        std::size_t next = 0;
        std::string answer;
        bool asked = false;
    };
    struct Wait {
        bool started = false;
        double since = 0; // on the steady clock
        int pass = 0;     // the program's pass it waits out
    };

    // The status conditions follow the window model whenever it tells of a change.
    void frame_changed(const std::string& frame) override;
    void reply(const std::string& frame, double volts, double amps, bool over_current) override;
    void program_changed(bool running) override;
    void period_ended(const platform::Reading& last) override;
    void event(const PeriodEvent& event) override;

    void pump();
    // False while a command of the line waits.
    bool run_line(Line& line);
    bool must_wait(const Unit& unit);
    // A query's answer; "" for a command that sets. An error goes into the queue.
    std::string run(const Unit& unit);
    std::string common(const Unit& unit);
    std::string protection_command(const Unit& unit);
    // The IEEE 488.2 status commands: *ESE, *ESR?, *SRE, *STB?; and STATus.
    std::string status_command(const Unit& unit);
    std::string scpi_status(const Unit& unit);
    void sample_status();
    std::string identity() const;
    std::string self_test() const;
    std::string next_error();
    void push_error(int number, std::string detail = {});
    // What changed is told to the monitor.
    void tell(const Unit& unit);

    void reset();
    void set_point(const Unit& unit, bool voltage);
    // The code a parameter names, or nothing with the error pushed.
    std::optional<std::int16_t> setpoint_code_of(std::string_view text, bool voltage);
    bool within_limit(std::int16_t code, bool voltage);
    void apply_setpoint(std::int16_t code, bool voltage);
    std::string set_point_query(const Unit& unit, bool voltage);
    void apply(const Unit& unit);
    void voltage_protection(const Unit& unit);
    std::string voltage_protection_query(const Unit& unit);
    void switch_output(const Unit& unit);
    void protection(const Unit& unit, bool by_state);
    std::string measure(Header header);
    void run_program(const Unit& unit);
    std::string program_state() const;
    // Steps and profiles from a script (remote/scpi_program.cpp): PROG:TABL puts a table
    // given as step CSV text ("|" between lines) in place of the step table; PROG:PROF
    // writes a profile; PROG:END? says why the last run, and its last step, ended.
    void program_table(const Unit& unit);
    std::string program_profile(const Unit& unit);
    std::string program_end() const;
    // The string parameter, or nothing with the error pushed.
    std::optional<std::string> string_parameter(const Unit& unit);
    std::string link() const;
    // -221 with its detail when the window refuses changes now; true when it does.
    bool refused_while_running();

    Form1& form_;
    std::string client_;
    std::deque<Error> errors_;
    StatusRegisters status_;
    // Lines not yet begun (nothing for one that was too long), and their bytes.
    std::deque<std::optional<std::string>> lines_;
    std::size_t held_bytes_ = 0;
    std::optional<Line> line_;
    Wait wait_;
    std::string output_;
    // *OPC while a program ran: the pass whose end sets "operation complete".
    std::optional<int> complete_after_pass_;
    // An earlier query of the line being carried out has its answer waiting to be sent.
    bool answer_waiting_ = false;
};

} // namespace kelvo::remote
