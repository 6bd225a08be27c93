// SPDX-License-Identifier: GPL-3.0-or-later
#include "remote/scpi_session.h"

#include "app/form1.h"
#include "base/texts.h"
#include "remote/scpi_lines.h"

#include <utility>

namespace kelvo::remote {

namespace {

const texts::Text& error_text(int number) {
    switch (number) {
    case error::kSyntax:
        return texts::kScpiSyntax;
    case error::kParameterNotAllowed:
        return texts::kScpiParameterNotAllowed;
    case error::kMissingParameter:
        return texts::kScpiMissingParameter;
    case error::kUndefinedHeader:
        return texts::kScpiUndefinedHeader;
    case error::kInvalidSuffix:
        return texts::kScpiInvalidSuffix;
    case error::kSettingsConflict:
        return texts::kScpiSettingsConflict;
    case error::kOutOfRange:
        return texts::kScpiOutOfRange;
    case error::kTooMuchData:
        return texts::kScpiTooMuchData;
    case error::kIllegalValue:
        return texts::kScpiIllegalValue;
    case error::kStale:
        return texts::kScpiStale;
    default:
        return texts::kScpiQueueOverflow;
    }
}

} // namespace

Session::Session(Form1& form, std::string client) : form_(form), client_(std::move(client)) {
    form_.watch(this);
    // What the supply is doing when the client comes is no event of its conversation.
    sample_status();
    status_.operation.clear_event();
    status_.questionable.clear_event();
}

Session::~Session() {
    form_.unwatch(this);
}

void Session::submit(std::string_view line) {
    if (held_bytes_ + line.size() > kMaxHeldBytes) {
        push_error(error::kTooMuchData);
        return;
    }
    held_bytes_ += line.size();
    lines_.emplace_back(std::string(line));
    pump();
}

void Session::submit_too_long() {
    lines_.emplace_back(std::nullopt);
    pump();
}

void Session::resume() {
    sample_status();
    if (waiting()) {
        pump();
    }
}

std::string Session::take_output() {
    return std::exchange(output_, {});
}

void Session::clear_device() {
    lines_.clear();
    held_bytes_ = 0;
    line_.reset();
    wait_ = {};
    output_.clear();
}

std::string Session::execute(std::string_view line) {
    submit(line);
    return take_output();
}

std::string Session::refuse_long_line() {
    submit_too_long();
    return take_output();
}

void Session::pump() {
    // What the lines change is the client's doing: the timeline says "remote".
    const bool acting_before = form_.remote_acting;
    form_.remote_acting = true;
    struct Restore {
        Form1& form;
        bool value;
        ~Restore() { form.remote_acting = value; }
    } restore{form_, acting_before};
    sample_status();
    while (line_ || !lines_.empty()) {
        if (!line_) {
            std::optional<std::string> text = std::move(lines_.front());
            lines_.pop_front();
            if (!text) {
                push_error(error::kTooMuchData);
                output_ += texts::fill(texts::kScpiLineTooLong.en, {std::to_string(kMaxLineBytes)});
                output_ += "\n";
                continue;
            }
            held_bytes_ -= text->size();
            line_ = Line{};
            line_->units = parse_line(*text);
        }
        if (!run_line(*line_)) {
            return;
        }
        if (line_->asked) {
            output_ += line_->answer + "\n";
        }
        line_.reset();
    }
}

bool Session::run_line(Line& line) {
    for (; line.next < line.units.size(); ++line.next) {
        const Parsed& parsed = line.units[line.next];
        if (!parsed.unit) {
            push_error(parsed.error);
            continue;
        }
        if (must_wait(*parsed.unit)) {
            return false;
        }
        answer_waiting_ = line.asked || !output_.empty();
        std::string reply = run(*parsed.unit);
        if (parsed.unit->query) {
            line.answer += line.asked ? ";" : "";
            line.answer += reply;
            line.asked = true;
        }
    }
    answer_waiting_ = false;
    return true;
}

bool Session::must_wait(const Unit& unit) {
    const double now = form_.Clock.steady_seconds();
    const bool reading =
        unit.variant == variant::kMeasure &&
        (unit.header == Header::MeasureVoltage || unit.header == Header::MeasureCurrent ||
         unit.header == Header::MeasurePower);
    const bool pass =
        unit.header == Header::Wait || (unit.header == Header::OperationComplete && unit.query);
    bool wait = false;
    if (reading) {
        // At once when the reading is a measurement; else until a valid reply comes, or
        // the time is up and the answer says it is stale. With no port open nothing will.
        wait = form_.port_ready && !form_.reading_is_measurement() &&
               (!wait_.started || now - wait_.since < kMeasureWaitSeconds);
    } else if (pass) {
        wait = form_.program_running && (!wait_.started || form_.pass_number == wait_.pass);
    }
    if (!wait) {
        wait_ = {};
    } else if (!wait_.started) {
        wait_ = {true, now, form_.pass_number};
    }
    return wait;
}

std::string Session::run(const Unit& unit) {
    const bool voltage = unit.header == Header::Voltage;
    switch (unit.header) {
    case Header::Voltage:
    case Header::Current:
        if (unit.query) {
            return set_point_query(unit, voltage);
        }
        set_point(unit, voltage);
        return {};
    case Header::Apply:
        if (unit.query) {
            return set_point_query({}, true) + "," + set_point_query({}, false);
        }
        apply(unit);
        return {};
    case Header::Output:
        if (unit.query) {
            return form_.output_on ? "1" : "0";
        }
        switch_output(unit);
        return {};
    case Header::MeasureVoltage:
    case Header::MeasureCurrent:
    case Header::MeasurePower:
    case Header::MeasureCharge:
    case Header::MeasureEnergy:
        return measure(unit.header);
    case Header::ProgramRun:
    case Header::ProgramStop:
        run_program(unit);
        return {};
    case Header::ProgramState:
        return program_state();
    case Header::ProgramTable:
        program_table(unit);
        return {};
    case Header::ProgramProfile:
        return program_profile(unit);
    case Header::ProgramEnd:
        return program_end();
    default:
        return common(unit);
    }
}

std::string Session::common(const Unit& unit) {
    switch (unit.header) {
    case Header::Identify:
        return identity();
    case Header::Reset:
        // The status registers stay as they are: *RST sets the supply, not the conversation.
        reset();
        tell(unit);
        return {};
    case Header::OperationComplete:
        // A query waited for the program's pass before it came here (must_wait).
        if (unit.query) {
            return "1";
        }
        if (form_.program_running) {
            complete_after_pass_ = form_.pass_number;
        } else {
            status_.operation_complete();
        }
        return {};
    case Header::Wait:
        return {};
    case Header::NextError:
        return next_error();
    case Header::ErrorCount:
        return std::to_string(errors_.size());
    case Header::ScpiVersion:
        return texts::kScpiVersion.en;
    case Header::Link:
        return link();
    default:
        return protection_command(unit);
    }
}

std::string Session::protection_command(const Unit& unit) {
    switch (unit.header) {
    case Header::ProtectionMode:
        if (unit.query) {
            return form_.trip_on_over_current ? "TRIP" : "STE";
        }
        protection(unit, false);
        return {};
    case Header::ProtectionState:
        if (unit.query) {
            return form_.trip_on_over_current ? "1" : "0";
        }
        protection(unit, true);
        return {};
    case Header::VoltageProtection:
        if (unit.query) {
            return voltage_protection_query(unit);
        }
        voltage_protection(unit);
        return {};
    case Header::Tripped: {
        const OffCause cause =
            unit.variant == variant::kCurrentTrip ? OffCause::OverCurrent : OffCause::VoltageLimit;
        return !form_.output_on && form_.last_off_cause == cause ? "1" : "0";
    }
    case Header::ProtectionClear:
        // The output stays off: OUTP ON switches it on again.
        if (!form_.output_on) {
            form_.last_off_cause = OffCause::Button;
            sample_status();
        }
        return {};
    default:
        return status_command(unit);
    }
}

std::string Session::identity() const {
    const std::string serial = form_.port_ready ? link() : texts::kNoSerialNumber.en;
    return texts::fill(texts::kRemoteIdentity.en,
                       {texts::kProductName.en, serial, texts::kProgramVersion.en});
}

std::string Session::next_error() {
    if (errors_.empty()) {
        return "0,\"" + std::string(texts::kScpiNoError.en) + "\"";
    }
    const Error error = errors_.front();
    errors_.pop_front();
    std::string text = error_text(error.number).en;
    if (!error.detail.empty()) {
        text += ";" + error.detail;
    }
    return std::to_string(error.number) + ",\"" + text + "\"";
}

void Session::push_error(int number, std::string detail) {
    status_.note_error(number);
    if (errors_.size() < kErrorQueueSize) {
        errors_.push_back({number, std::move(detail)});
    } else {
        errors_.back() = {error::kQueueOverflow, {}};
        status_.note_error(error::kQueueOverflow);
    }
}

void Session::tell(const Unit& unit) {
    const std::string text = texts::fill(form_.text(texts::kRemoteCommand), {client_, unit.text});
    form_.tell_observers([&text](platform::Observer& o) { o.remote_event(text); });
}

bool Session::refused_while_running() {
    if (!form_.program_running) {
        return false;
    }
    push_error(error::kSettingsConflict, texts::kScpiProgramRunning.en);
    return true;
}

} // namespace kelvo::remote
