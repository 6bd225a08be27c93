// SPDX-License-Identifier: GPL-3.0-or-later
#include "remote/scpi_status.h"

#include "remote/scpi_parser.h"

#include <cmath>

namespace kelvo::remote {

int event_bit_of(int error_number) {
    switch (-error_number / 100) {
    case 1:
        return event::kCommandError;
    case 2:
        return event::kExecutionError;
    case 3:
        return event::kDeviceError;
    case 4:
        return event::kQueryError;
    default:
        return 0;
    }
}

std::optional<int> parse_register_value(std::string_view text, int highest) {
    const auto value = parse_number(text);
    if (!value) {
        return std::nullopt;
    }
    const double rounded = std::round(*value);
    if (!(rounded >= 0 && rounded <= highest)) {
        return -1;
    }
    return static_cast<int>(rounded);
}

void EventRegister::set_condition(int condition) {
    condition &= kMask;
    const int rose = condition & ~condition_;
    const int fell = condition_ & ~condition;
    event_ |= (rose & positive_) | (fell & negative_);
    condition_ = condition;
}

int EventRegister::read_event() {
    const int event = event_;
    event_ = 0;
    return event;
}

void EventRegister::preset() {
    enable_ = 0;
    positive_ = kMask;
    negative_ = 0;
}

int StatusRegisters::read_events() {
    const int events = events_;
    events_ = 0;
    return events;
}

int StatusRegisters::status_byte(bool errors_waiting, bool message_waiting) const {
    int byte = 0;
    if (errors_waiting) {
        byte |= summary::kErrorAvailable;
    }
    if (message_waiting) {
        byte |= summary::kMessageAvailable;
    }
    if ((events_ & event_enable_) != 0) {
        byte |= summary::kEventStatus;
    }
    if (questionable.summary()) {
        byte |= summary::kQuestionable;
    }
    if (operation.summary()) {
        byte |= summary::kOperation;
    }
    if ((byte & service_enable_) != 0) {
        byte |= summary::kRequestService;
    }
    return byte;
}

} // namespace kelvo::remote
