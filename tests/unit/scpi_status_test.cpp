// The IEEE 488.2 status registers of a client: which error sets which event bit, the event
// register read and emptied, the masks into the status byte, and the common commands' forms.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "remote/scpi_parser.h"
#include "remote/scpi_status.h"

#include <gtest/gtest.h>

#include <optional>
#include <utility>

namespace kelvo::remote {
namespace {

TEST(ScpiStatus, EachErrorClassSetsItsOwnEventBit) {
    EXPECT_EQ(event_bit_of(error::kUndefinedHeader), event::kCommandError);
    EXPECT_EQ(event_bit_of(error::kSyntax), event::kCommandError);
    EXPECT_EQ(event_bit_of(error::kOutOfRange), event::kExecutionError);
    EXPECT_EQ(event_bit_of(error::kQueueOverflow), event::kDeviceError);
    EXPECT_EQ(event_bit_of(-410), event::kQueryError);
    EXPECT_EQ(event_bit_of(0), 0);
    EXPECT_EQ(event_bit_of(-50), 0);
    EXPECT_EQ(event_bit_of(-500), 0);
}

TEST(ScpiStatus, EventRegisterStartsAtPowerOnAndIsEmptiedByItsReading) {
    StatusRegisters status;
    EXPECT_EQ(status.read_events(), event::kPowerOn);
    EXPECT_EQ(status.read_events(), 0);
    status.note_error(error::kUndefinedHeader);
    status.note_error(error::kOutOfRange);
    status.note_error(error::kSyntax);
    status.operation_complete();
    EXPECT_EQ(status.read_events(),
              event::kCommandError | event::kExecutionError | event::kOperationComplete);
    // Clearing empties the register, not the masks.
    status.set_event_enable(event::kCommandError);
    status.set_service_enable(summary::kEventStatus);
    status.note_error(error::kSyntax);
    status.clear();
    EXPECT_EQ(status.read_events(), 0);
    EXPECT_EQ(status.event_enable(), event::kCommandError);
    EXPECT_EQ(status.service_enable(), summary::kEventStatus);
}

TEST(ScpiStatus, StatusByteSummarisesThroughTheMasksAndStaysWhenRead) {
    StatusRegisters status;
    EXPECT_EQ(status.status_byte(false, false), 0); // power on is not enabled
    EXPECT_EQ(status.status_byte(true, true),
              summary::kErrorAvailable | summary::kMessageAvailable);
    status.set_event_enable(event::kPowerOn);
    EXPECT_EQ(status.status_byte(false, false), summary::kEventStatus);
    EXPECT_EQ(status.status_byte(false, false), summary::kEventStatus);
    // The request service bit is what the service mask lets through, never a mask bit.
    status.set_service_enable(0xff);
    EXPECT_EQ(status.service_enable(), 0xbf);
    EXPECT_EQ(status.status_byte(false, false), summary::kEventStatus | summary::kRequestService);
    status.set_service_enable(summary::kErrorAvailable);
    EXPECT_EQ(status.status_byte(false, false), summary::kEventStatus);
    EXPECT_EQ(status.status_byte(true, false),
              summary::kEventStatus | summary::kErrorAvailable | summary::kRequestService);
    status.read_events();
    EXPECT_EQ(status.status_byte(false, false), 0);
}

TEST(ScpiStatus, MaskValuesAreRoundedIntegersUpTo255) {
    EXPECT_EQ(parse_register_value("32"), 32);
    EXPECT_EQ(parse_register_value("+32.4"), 32);
    EXPECT_EQ(parse_register_value("2.55E2"), 255);
    EXPECT_EQ(parse_register_value("-0.4"), 0);
    EXPECT_EQ(parse_register_value("255.5"), -1);
    EXPECT_EQ(parse_register_value("-1"), -1);
    EXPECT_EQ(parse_register_value("1e999"), -1);
    EXPECT_EQ(parse_register_value("#H20"), std::nullopt);
    EXPECT_EQ(parse_register_value(""), std::nullopt);
}

TEST(ScpiStatus, CommonCommandsTakeTheirStandardForms) {
    struct Form {
        const char* text;
        Header header;
        bool query;
    };
    for (const Form& form :
         {Form{"*ese 32", Header::EventEnable, false}, Form{"*ESE?", Header::EventEnable, true},
          Form{"*esr?", Header::EventStatus, true}, Form{"*SRE 16", Header::ServiceEnable, false},
          Form{"*SRE?", Header::ServiceEnable, true}, Form{"*STB?", Header::StatusByte, true},
          Form{"*TST?", Header::SelfTest, true}, Form{"*WAI", Header::Wait, false},
          Form{"*OPC", Header::OperationComplete, false},
          Form{"syst:err:coun?", Header::ErrorCount, true},
          Form{"SYSTEM:ERROR:COUNT?", Header::ErrorCount, true},
          Form{"SYST:ERR:NEXT?", Header::NextError, true},
          Form{"SYST:VERS?", Header::ScpiVersion, true}}) {
        const auto parsed = parse_line(form.text);
        ASSERT_EQ(parsed.size(), 1u);
        ASSERT_TRUE(parsed[0].unit) << form.text;
        EXPECT_EQ(parsed[0].unit->header, form.header) << form.text;
        EXPECT_EQ(parsed[0].unit->query, form.query) << form.text;
    }
    for (const auto& [text, error] :
         {std::pair{"*ESE", error::kMissingParameter}, std::pair{"*SRE", error::kMissingParameter},
          std::pair{"*ESR? 1", error::kParameterNotAllowed},
          std::pair{"*STB? 1", error::kParameterNotAllowed},
          std::pair{"*WAI 1", error::kParameterNotAllowed},
          std::pair{"*ESR 1", error::kUndefinedHeader}, std::pair{"*STB", error::kUndefinedHeader},
          std::pair{"*TST", error::kUndefinedHeader}, std::pair{"*WAI?", error::kUndefinedHeader},
          std::pair{"*ES?", error::kUndefinedHeader},
          std::pair{"SYST:ERR:COUN", error::kUndefinedHeader},
          std::pair{"SYST:ERR:COUN? 1", error::kParameterNotAllowed}}) {
        const auto parsed = parse_line(text);
        ASSERT_EQ(parsed.size(), 1u);
        EXPECT_FALSE(parsed[0].unit) << text;
        EXPECT_EQ(parsed[0].error, error) << text;
    }
}

} // namespace
} // namespace kelvo::remote
