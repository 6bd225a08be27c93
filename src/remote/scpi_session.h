// remote/: one client's conversation with the program: each line's commands carried out on
// the window model, as the window's own controls would, and the client's error queue.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "remote/scpi_parser.h"
#include "remote/scpi_status.h"

#include <cstddef>
#include <deque>
#include <string>
#include <string_view>

namespace kelvo {
class Form1;
}

namespace kelvo::remote {

// The errors kept for SYSTem:ERRor?; past it the newest one becomes "Queue overflow".
inline constexpr std::size_t kErrorQueueSize = 16;

class Session {
public:
    // `client` names the client on the monitor ("127.0.0.1:40312").
    Session(Form1& form, std::string client);

    // Carries out one line (without its terminator). The answer is that of the line's
    // queries, joined by ";", with "\n" at the end; empty when the line asks nothing.
    std::string execute(std::string_view line);
    // A line that was too long: an error, and the one line the client gets for it.
    std::string refuse_long_line();

    std::size_t errors_waiting() const { return errors_.size(); }
    const StatusRegisters& status() const { return status_; }
    const std::string& client() const { return client_; }

private:
    struct Error {
        int number;
        std::string detail;
    };
    // A query's answer; "" for a command that sets. An error goes into the queue.
    std::string run(const Unit& unit);
    std::string common(const Unit& unit);
    // The IEEE 488.2 status commands: *ESE, *ESR?, *SRE, *STB?.
    std::string status_command(const Unit& unit);
    std::string identity() const;
    std::string self_test() const;
    std::string next_error();
    void push_error(int number, std::string detail = {});
    // What changed is told to the monitor.
    void tell(const Unit& unit);

    void reset();
    void set_point(const Unit& unit, bool voltage);
    std::string set_point_query(bool voltage) const;
    void switch_output(const Unit& unit);
    void protection(const Unit& unit);
    std::string measure(Header header);
    void run_program(const Unit& unit);
    std::string program_state() const;
    std::string link() const;
    // -221 with its detail when the window refuses changes now; true when it does.
    bool refused_while_running();

    Form1& form_;
    std::string client_;
    std::deque<Error> errors_;
    StatusRegisters status_;
    // An earlier query of the line being carried out has its answer waiting to be sent.
    bool answer_waiting_ = false;
};

} // namespace kelvo::remote
