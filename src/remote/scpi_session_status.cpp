// A client's status: the IEEE 488.2 registers and STATus:OPERation and :QUEStionable, whose
// conditions follow the window model each time it tells of a change, and *TST?.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/form1.h"
#include "remote/scpi_session.h"

namespace kelvo::remote {

std::string Session::status_command(const Unit& unit) {
    switch (unit.header) {
    case Header::ClearStatus:
        errors_.clear();
        status_.clear();
        complete_after_pass_.reset();
        return {};
    case Header::EventStatus:
        return std::to_string(status_.read_events());
    case Header::StatusByte:
        return std::to_string(status_byte());
    case Header::SelfTest:
        return self_test();
    case Header::EventEnable:
    case Header::ServiceEnable:
        break;
    default:
        return scpi_status(unit);
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

// STATus:OPERation and STATus:QUEStionable: event, condition, enable and the filters.
std::string Session::scpi_status(const Unit& unit) {
    if (unit.header == Header::StatusPreset) {
        status_.operation.preset();
        status_.questionable.preset();
        return {};
    }
    EventRegister& reg =
        unit.variant == variant::kQuestionable ? status_.questionable : status_.operation;
    if (unit.header == Header::StatusEvent) {
        sample_status();
        return std::to_string(reg.read_event());
    }
    if (unit.header == Header::StatusCondition) {
        sample_status();
        return std::to_string(reg.condition());
    }
    using Get = int (EventRegister::*)() const;
    using Put = void (EventRegister::*)(int);
    const auto [get, put] =
        unit.header == Header::StatusEnable
            ? std::pair<Get, Put>{&EventRegister::enable, &EventRegister::set_enable}
        : unit.header == Header::StatusPositive
            ? std::pair<Get, Put>{&EventRegister::positive, &EventRegister::set_positive}
            : std::pair<Get, Put>{&EventRegister::negative, &EventRegister::set_negative};
    if (unit.query) {
        return std::to_string((reg.*get)());
    }
    const auto mask = parse_register_value(unit.argument, EventRegister::kMask);
    if (!mask) {
        push_error(error::kSyntax);
    } else if (*mask < 0) {
        push_error(error::kOutOfRange);
    } else {
        (reg.*put)(*mask);
    }
    return {};
}

void Session::sample_status() {
    const bool measured = form_.reading_is_measurement();
    // The supply's constant-current report counts only from a reply of the latest second.
    const bool limiting = form_.output_on && measured && form_.over_current;
    int operation = 0;
    if (form_.output_on) {
        operation |= operation::kOutputOn;
        operation |=
            limiting ? operation::kConstantCurrent : (measured ? operation::kConstantVoltage : 0);
    }
    if (form_.program_running) {
        operation |= operation::kProgramRunning;
    }
    int questionable = measured ? 0 : questionable::kNotAnswering;
    questionable |= limiting ? questionable::kCurrent : 0;
    if (!form_.output_on) {
        switch (form_.last_off_cause) {
        case OffCause::VoltageLimit:
            questionable |= questionable::kVoltage;
            break;
        case OffCause::OverCurrent:
            questionable |= questionable::kCurrent;
            break;
        case OffCause::TimeLimit:
            questionable |= questionable::kTime;
            break;
        case OffCause::ChargeLimit:
        case OffCause::EnergyLimit:
        case OffCause::Silence:
            questionable |= questionable::kLimit;
            break;
        default:
            break;
        }
    }
    status_.operation.set_condition(operation);
    status_.questionable.set_condition(questionable);
    if (complete_after_pass_ &&
        (!form_.program_running || form_.pass_number != *complete_after_pass_)) {
        complete_after_pass_.reset();
        status_.operation_complete();
    }
}

int Session::status_byte() {
    sample_status();
    return status_.status_byte(!errors_.empty(), answer_waiting_ || !output_.empty());
}

// 0 when the supply answered in the latest read second; 1 when no port is open; 2 when one
// is but the supply is silent.
std::string Session::self_test() const {
    if (form_.reading_is_measurement()) {
        return "0";
    }
    return form_.port_ready ? "2" : "1";
}

void Session::frame_changed(const std::string& /*frame*/) {
    sample_status();
}

void Session::reply(const std::string& /*frame*/, double /*volts*/, double /*amps*/,
                    bool /*over_current*/) {
    sample_status();
}

void Session::program_changed(bool /*running*/) {
    sample_status();
}

void Session::period_ended(const platform::Reading& /*last*/) {
    sample_status();
}

void Session::event(const PeriodEvent& /*event*/) {
    sample_status();
}

} // namespace kelvo::remote
