// remote/: a client's status registers: the standard event status register and its enable
// mask, the operation and questionable registers, the service request enable mask, and the
// status byte made from them.
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

// The condition bits of STATus:OPERation: what the supply is doing.
namespace operation {
inline constexpr int kConstantVoltage = 1 << 8;  // output on, the supply holds the voltage
inline constexpr int kConstantCurrent = 1 << 10; // output on, the supply limits the current
inline constexpr int kOutputOn = 1 << 11;
inline constexpr int kProgramRunning = 1 << 14;
} // namespace operation

// The condition bits of STATus:QUEStionable: what may be wrong with the output.
namespace questionable {
inline constexpr int kVoltage = 1 << 0;       // the voltage limit switched the output off
inline constexpr int kCurrent = 1 << 1;       // over-current: the supply reports it, or it tripped
inline constexpr int kTime = 1 << 2;          // the time limit switched the output off
inline constexpr int kLimit = 1 << 9;         // the charge, energy or silence limit did
inline constexpr int kNotAnswering = 1 << 10; // no valid reply in the latest read second
} // namespace questionable

// A SCPI status register: the condition follows the instrument, a change of it passes the
// transition filters into the event register, which is read and emptied; the enable mask
// makes its summary bit in the status byte.
class EventRegister {
public:
    static constexpr int kMask = 0x7fff; // bit 15 is never used

    void set_condition(int condition);
    int condition() const { return condition_; }
    int read_event();
    void clear_event() { event_ = 0; }
    int enable() const { return enable_; }
    int positive() const { return positive_; }
    int negative() const { return negative_; }
    void set_enable(int mask) { enable_ = mask & kMask; }
    void set_positive(int mask) { positive_ = mask & kMask; }
    void set_negative(int mask) { negative_ = mask & kMask; }
    // STATus:PRESet: nothing enabled, every rise noted, no fall; the events stay.
    void preset();
    bool summary() const { return (event_ & enable_) != 0; }

private:
    int condition_ = 0;
    int event_ = 0;
    int enable_ = 0;
    int positive_ = kMask;
    int negative_ = 0;
};

// The event bit an error number sets: -1xx command, -2xx execution, -3xx device-dependent,
// -4xx query error; 0 for anything else.
int event_bit_of(int error_number);

// The value of *ESE or *SRE: a decimal number rounded to the nearest integer, 0-255.
// Nothing when it is no number; -1 when it is out of range. The STATus masks take up to
// EventRegister::kMask.
std::optional<int> parse_register_value(std::string_view text, int highest = 255);

class StatusRegisters {
public:
    // A new client's registers: only "power on" set, as after switching an instrument on.
    StatusRegisters() = default;

    void note_error(int error_number) { events_ |= event_bit_of(error_number); }
    void operation_complete() { events_ |= event::kOperationComplete; }
    // *ESR?: the register, emptied by the reading.
    int read_events();
    // *CLS: every event register emptied; the enable masks stay.
    void clear() {
        events_ = 0;
        operation.clear_event();
        questionable.clear_event();
    }

    int event_enable() const { return event_enable_; }
    void set_event_enable(int mask) { event_enable_ = mask; }
    int service_enable() const { return service_enable_; }
    // The request service bit cannot be enabled: it is the summary itself.
    void set_service_enable(int mask) { service_enable_ = mask & ~summary::kRequestService; }

    // *STB?: nothing is cleared by reading it.
    int status_byte(bool errors_waiting, bool message_waiting) const;

    EventRegister operation;
    EventRegister questionable;

private:
    int events_ = event::kPowerOn;
    int event_enable_ = 0;
    int service_enable_ = 0;
};

} // namespace kelvo::remote
