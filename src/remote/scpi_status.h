// remote/: a client's IEEE 488.2 status registers: the standard event status register and
// its enable mask, the service request enable mask, and the status byte made from them.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string_view>

namespace kelvo::remote {

// The bits of the standard event status register (*ESR?).
namespace event {
inline constexpr int kOperationComplete = 1 << 0;
inline constexpr int kQueryError = 1 << 2;
inline constexpr int kDeviceError = 1 << 3;
inline constexpr int kExecutionError = 1 << 4;
inline constexpr int kCommandError = 1 << 5;
inline constexpr int kPowerOn = 1 << 7;
} // namespace event

// The bits of the status byte (*STB?).
namespace summary {
inline constexpr int kErrorAvailable = 1 << 2;
inline constexpr int kQuestionable = 1 << 3;
inline constexpr int kMessageAvailable = 1 << 4;
inline constexpr int kEventStatus = 1 << 5;
inline constexpr int kRequestService = 1 << 6;
inline constexpr int kOperation = 1 << 7;
} // namespace summary

// The event bit an error number sets: -1xx command, -2xx execution, -3xx device-dependent,
// -4xx query error; 0 for anything else.
int event_bit_of(int error_number);

// The value of *ESE or *SRE: a decimal number rounded to the nearest integer, 0-255.
// Nothing when it is no number; -1 when it is out of range.
std::optional<int> parse_register_value(std::string_view text);

class StatusRegisters {
public:
    // A new client's registers: only "power on" set, as after switching an instrument on.
    StatusRegisters() = default;

    void note_error(int error_number) { events_ |= event_bit_of(error_number); }
    void operation_complete() { events_ |= event::kOperationComplete; }
    // *ESR?: the register, emptied by the reading.
    int read_events();
    // *CLS; the enable masks stay.
    void clear() { events_ = 0; }

    int event_enable() const { return event_enable_; }
    void set_event_enable(int mask) { event_enable_ = mask; }
    int service_enable() const { return service_enable_; }
    // The request service bit cannot be enabled: it is the summary itself.
    void set_service_enable(int mask) { service_enable_ = mask & ~summary::kRequestService; }

    // *STB?: nothing is cleared by reading it.
    int status_byte(bool errors_waiting, bool message_waiting) const;

private:
    int events_ = event::kPowerOn;
    int event_enable_ = 0;
    int service_enable_ = 0;
};

} // namespace kelvo::remote
