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

Session::Session(Form1& form, std::string client) : form_(form), client_(std::move(client)) {}

std::string Session::execute(std::string_view line) {
    std::string answer;
    bool asked = false;
    // What the line changes is the client's doing: the timeline says "remote".
    const bool acting_before = form_.remote_acting;
    form_.remote_acting = true;
    struct Restore {
        Form1& form;
        bool value;
        ~Restore() { form.remote_acting = value; }
    } restore{form_, acting_before};
    for (const Parsed& parsed : parse_line(line)) {
        if (!parsed.unit) {
            push_error(parsed.error);
            continue;
        }
        answer_waiting_ = asked;
        std::string reply = run(*parsed.unit);
        if (parsed.unit->query) {
            answer += asked ? ";" : "";
            answer += reply;
            asked = true;
        }
    }
    return asked ? answer + "\n" : answer;
}

std::string Session::refuse_long_line() {
    push_error(error::kTooMuchData);
    return texts::fill(texts::kScpiLineTooLong.en, {std::to_string(kMaxLineBytes)}) + "\n";
}

std::string Session::run(const Unit& unit) {
    switch (unit.header) {
    case Header::Voltage:
    case Header::Current:
        if (unit.query) {
            return set_point_query(unit.header == Header::Voltage);
        }
        set_point(unit, unit.header == Header::Voltage);
        return {};
    case Header::Output:
        if (unit.query) {
            return form_.output_on ? "1" : "0";
        }
        switch_output(unit);
        return {};
    case Header::ProtectionMode:
        if (unit.query) {
            return form_.trip_on_over_current ? "TRIP" : "STE";
        }
        protection(unit);
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
    case Header::ClearStatus:
        errors_.clear();
        status_.clear();
        return {};
    case Header::OperationComplete:
        // Every command is done by the time its line is answered.
        if (unit.query) {
            return "1";
        }
        status_.operation_complete();
        return {};
    case Header::Wait:
        return {};
    case Header::SelfTest:
        return self_test();
    case Header::EventEnable:
    case Header::EventStatus:
    case Header::ServiceEnable:
    case Header::StatusByte:
        return status_command(unit);
    case Header::NextError:
        return next_error();
    case Header::ErrorCount:
        return std::to_string(errors_.size());
    case Header::ScpiVersion:
        return texts::kScpiVersion.en;
    default:
        return link();
    }
}

std::string Session::status_command(const Unit& unit) {
    if (unit.header == Header::EventStatus) {
        return std::to_string(status_.read_events());
    }
    if (unit.header == Header::StatusByte) {
        return std::to_string(status_.status_byte(!errors_.empty(), answer_waiting_));
    }
    const bool events = unit.header == Header::EventEnable;
    if (unit.query) {
        return std::to_string(events ? status_.event_enable() : status_.service_enable());
    }
    const auto mask = parse_register_value(unit.argument);
    if (!mask) {
        push_error(error::kSyntax);
    } else if (*mask < 0) {
        push_error(error::kOutOfRange);
    } else if (events) {
        status_.set_event_enable(*mask);
    } else {
        status_.set_service_enable(*mask);
    }
    return {};
}

std::string Session::identity() const {
    const std::string serial = form_.port_ready ? link() : texts::kNoSerialNumber.en;
    return texts::fill(texts::kRemoteIdentity.en,
                       {texts::kProductName.en, serial, texts::kProgramVersion.en});
}

// 0 when the supply answered in the latest read second; 1 when no port is open; 2 when one
// is but the supply is silent.
std::string Session::self_test() const {
    if (form_.reading_is_measurement()) {
        return "0";
    }
    return form_.port_ready ? "2" : "1";
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
