// Remote control's instrument forms on the window model: commands that wait (MEASure for a
// valid reply, *OPC? and *WAI for a program's pass), bounds and units, APPLy, the voltage
// protection and the trips, and the STATus registers following the supply.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "remote/scpi_session.h"
#include "remote/scpi_status.h"
#include "scenario/fixture.h"

namespace kelvo::testing {
namespace {

class RemoteForms : public SupplyTest {
protected:
    std::string ask(std::string_view line) { return session.execute(line); }
    std::string later() {
        session.resume();
        return session.take_output();
    }
    std::vector<std::string> errors() {
        std::vector<std::string> found;
        while (session.errors_waiting() > 0) {
            std::string error = ask("SYST:ERR?");
            error.pop_back();
            found.push_back(error);
        }
        return found;
    }
    void limit(LimitKind kind, double value) {
        OutputLimits limits = form.output_limits;
        limits[kind] = value;
        std::string why;
        ASSERT_TRUE(form.set_limits(limits, "window", why)) << why;
    }

    remote::Session session{form, "client"};
};

TEST_F(RemoteForms, MeasureWaitsForAValidReplyAndHoldsTheLinesBehindIt) {
    attach_supply("0500", "1000");
    answering = true;
    second();
    // A measurement now: answered at once, MEASure and FETCh alike.
    EXPECT_EQ(ask("MEAS:VOLT?;FETC:CURR?;MEAS:SCAL:POW:DC?"), "5.00;1.000;5.000\n");
    answering = false;
    second();
    EXPECT_EQ(ask("MEAS:VOLT?;*IDN?"), "");
    EXPECT_EQ(ask("VOLT 2;VOLT?"), "");
    EXPECT_TRUE(session.waiting());
    EXPECT_EQ(form.set_voltage_code, 0); // held behind, not carried out yet
    // The supply answers again before the time is up: the value, then the rest in order.
    answer("0700", "0100");
    tick(10);
    EXPECT_EQ(later(), "7.00;KELVO,KELVO desktop,COM2,1.0\n2.00\n");
    EXPECT_FALSE(session.waiting());
    EXPECT_EQ(session.errors_waiting(), 0u);
    // A device clear drops a waiting command and what waits behind it.
    second(2);
    EXPECT_EQ(ask("MEAS:CURR?;VOLT 3"), "");
    EXPECT_EQ(ask("VOLT 4"), "");
    // What waits is bounded: past it a line is refused at once, not held.
    const std::string filler = "VOLT 1;VOLT 1;VOLT 1;VOLT 1;VOLT 1;VOLT 1;VOLT 1;VOLT 1";
    for (std::size_t held = 0; held <= remote::kMaxHeldBytes; held += filler.size()) {
        session.submit(filler);
    }
    EXPECT_EQ(session.errors_waiting(), 1u);
    session.clear_device();
    EXPECT_FALSE(session.waiting());
    answering = true;
    second();
    EXPECT_EQ(later(), "");
    EXPECT_EQ(ask("VOLT?"), "2.00\n"); // nothing dropped comes back with the next line
}

TEST_F(RemoteForms, OperationCompleteWaitsOutTheRunningPass) {
    ui.Adodc1.rows = {{1.0, 5.0, 1.0, 3.0}, {2.0, 10.0, 2.0, 2.0}};
    answering = true;
    attach_supply();
    ask("*ESR?;PROG:RUN 3");
    tick();
    ASSERT_TRUE(form.program_running);
    EXPECT_EQ(ask("*OPC;*ESR?"), "0\n"); // set when the pass has ended, not before
    second(3);
    EXPECT_EQ(ask("*ESR?"), "0\n");
    second(2);
    EXPECT_EQ(ask("*ESR?"), "1\n");
    EXPECT_EQ(ask("*OPC?;PROG:STAT?"), "");
    second(3);
    EXPECT_EQ(later(), "");
    second(2);
    // The second pass of three is over: the answer comes, the third pass runs.
    EXPECT_EQ(later().substr(0, 10), "1;RUNNING,");
    EXPECT_EQ(ask("*ESR?"), "0\n"); // *OPC? answers; it sets no bit
    EXPECT_EQ(ask("*WAI;PROG:STAT?"), "");
    second(5);
    EXPECT_EQ(later(), "IDLE\n");
    // With no program running, at once.
    EXPECT_EQ(ask("*WAI;*OPC?"), "1\n");
}

TEST_F(RemoteForms, BoundsUnitsAndTheLongTree) {
    attach_supply();
    limit(LimitKind::Voltage, 12);
    EXPECT_EQ(ask("VOLT? MAX;VOLT? MIN;VOLT? DEF;CURR? MAX"), "12.00;0.00;0.00;5.100\n");
    ask("VOLT MAX");
    EXPECT_EQ(form.set_voltage_code, 1200);
    ask("SOUR:VOLT:LEV:IMM:AMPL 1500mV;:CURR 250 MA");
    EXPECT_EQ(ask("VOLT?;CURR?"), "1.50;0.250\n");
    ask("curr:lev 20mA;volt min");
    EXPECT_EQ(ask("CURR?;VOLT?"), "0.020;0.00\n");
    ask("VOLT 5A;VOLT 5 kV;CURR 1.5mV;VOLT? 5");
    EXPECT_EQ(errors(), (std::vector<std::string>{
                            "-131,\"Invalid suffix\"", "-131,\"Invalid suffix\"",
                            "-131,\"Invalid suffix\"", "-224,\"Illegal parameter value\""}));
    EXPECT_EQ(ask("VOLT?;CURR?"), "0.00;0.020\n");
}

TEST_F(RemoteForms, ApplySetsBothOrNeither) {
    attach_supply();
    ask("APPL 5,0.5");
    EXPECT_EQ(ask("APPL?"), "5.00,0.500\n");
    ask("APPL 7.5 V");
    EXPECT_EQ(ask("APPL?"), "7.50,0.500\n");
    ask("APPL 6,9");
    ask("APPL 40,1");
    ask("APPL 6,");
    ask("APPL 6,1,2");
    EXPECT_EQ(errors(),
              (std::vector<std::string>{"-222,\"Data out of range\"", "-222,\"Data out of range\"",
                                        "-102,\"Syntax error\"", "-102,\"Syntax error\""}));
    EXPECT_EQ(ask("APPL?"), "7.50,0.500\n");
    limit(LimitKind::Voltage, 6);
    ask("APPL 7,1");
    EXPECT_EQ(errors().size(), 1u);          // above the limit
    EXPECT_EQ(ask("APPL?"), "6.00,0.500\n"); // the limit brought it down, APPL changed nothing
    limit(LimitKind::Current, 1);
    ask("APPL 5,2");
    EXPECT_EQ(errors().size(), 1u);
    EXPECT_EQ(ask("APPL?"), "6.00,0.500\n");
}

TEST_F(RemoteForms, VoltageProtectionIsTheVoltageLimit) {
    attach_supply();
    EXPECT_EQ(ask("VOLT:PROT?;VOLT:PROT? MIN;VOLT:PROT? MAX"), "31.00;0.00;31.00\n");
    ask("VOLT:PROT 12");
    EXPECT_EQ(form.output_limits[LimitKind::Voltage], 12.0);
    EXPECT_EQ(ask("VOLT:PROT:LEV?;VOLT? MAX"), "12.00;12.00\n");
    ask("VOLT 13");
    EXPECT_EQ(errors().size(), 1u);
    ask("VOLT 5;OUTP ON");
    ask("VOLT:PROT 3;VOLT:PROT 40;VOLT:PROT x");
    const std::vector<std::string> refused = errors();
    ASSERT_EQ(refused.size(), 3u);
    EXPECT_EQ(refused[0].substr(0, 24), "-221,\"Settings conflict;");
    EXPECT_EQ(refused[1].substr(0, 24), "-222,\"Data out of range;");
    EXPECT_EQ(refused[2], "-102,\"Syntax error\"");
    EXPECT_EQ(ask("VOLT:PROT?"), "12.00\n");
    ask("VOLT:PROT MAX");
    EXPECT_FALSE(form.output_limits[LimitKind::Voltage].has_value());
    ask("CURR:PROT:STAT ON");
    EXPECT_TRUE(form.trip_on_over_current);
    EXPECT_EQ(ask("CURR:PROT:STAT?;CURR:PROT:MODE?"), "1;TRIP\n");
}

TEST_F(RemoteForms, TripsLatchUntilCleared) {
    attach_supply();
    ask("VOLT 12;CURR 1;CURR:PROT:STAT ON;OUTP ON");
    ASSERT_TRUE(form.output_on);
    EXPECT_EQ(ask("CURR:PROT:TRIP?;VOLT:PROT:TRIP?"), "0;0\n");
    answer("1200", "1000", 'B');
    second();
    tick();
    ASSERT_FALSE(form.output_on);
    EXPECT_EQ(ask("CURR:PROT:TRIP?;VOLT:PROT:TRIP?"), "1;0\n");
    EXPECT_EQ(ask("STAT:QUES:COND?"), "2\n");
    ask("OUTP:PROT:CLE");
    EXPECT_EQ(ask("CURR:PROT:TRIP?;STAT:QUES:COND?"), "0;0\n");
    // The output is switched off by hand: nothing trips.
    ask("CURR:PROT:STAT OFF;OUTP ON;OUTP OFF");
    EXPECT_EQ(ask("CURR:PROT:TRIP?"), "0\n");
}

TEST_F(RemoteForms, StatusRegistersFollowTheSupplyThroughTheirFilters) {
    ui.Adodc1.rows = {{1.0, 5.0, 1.0, 3.0}};
    answering = true;
    attach_supply();
    EXPECT_EQ(ask("STAT:OPER:COND?;STAT:QUES:COND?"), "0;0\n");
    ask("STAT:OPER:ENAB 2048;STAT:QUES:ENAB 1024");
    ask("OUTP ON");
    second();
    EXPECT_EQ(ask("STAT:OPER:COND?"), "2304\n"); // output on, constant voltage
    EXPECT_EQ(ask("*STB?"), "128\n");
    EXPECT_EQ(ask("STAT:OPER?;STAT:OPER?"), "2304;0\n"); // read and emptied
    EXPECT_EQ(ask("*STB?"), "0\n");
    // A fall passes only the negative filter.
    ask("STAT:OPER:PTR 0;STAT:OPER:NTR 2048;OUTP OFF");
    EXPECT_EQ(ask("STAT:OPER:EVEN?;STAT:OPER:NTR?"), "2048;2048\n");
    ask("OUTP ON;OUTP OFF");
    EXPECT_EQ(ask("STAT:OPER?"), "2048\n");
    ask("STAT:PRES");
    EXPECT_EQ(ask("STAT:OPER:ENAB?;STAT:OPER:PTR?;STAT:OPER:NTR?"), "0;32767;0\n");
    // The supply's constant-current report counts while it is fresh, not from a silence.
    ask("STAT:PRES;OUTP ON");
    answer("0500", "1000", 'B');
    second();
    EXPECT_EQ(ask("STAT:OPER:COND?;STAT:QUES:COND?"), "3072;2\n");
    answering = false;
    second(2);
    EXPECT_EQ(ask("STAT:OPER:COND?;STAT:QUES:COND?"), "2048;1024\n");
    answering = true;
    ask("OUTP OFF");
    second();
    // A step program running, then the supply falling silent.
    ask("PROG:RUN");
    tick();
    EXPECT_EQ(ask("STAT:OPER:COND?") != "0\n", true);
    EXPECT_EQ(std::stoi(ask("STAT:OPER:COND?")) & remote::operation::kProgramRunning,
              remote::operation::kProgramRunning);
    ask("PROG:STOP;*CLS;STAT:QUES:ENAB 1024");
    answering = false;
    second(2);
    // The status byte: questionable, and the answer before it waiting.
    EXPECT_EQ(ask("STAT:QUES:COND?;*STB?"), "1024;24\n");
    ask("*CLS");
    EXPECT_EQ(ask("STAT:QUES?;STAT:QUES:ENAB?"), "0;1024\n");
    ask("STAT:OPER:ENAB 40000;STAT:QUES:PTR -1");
    EXPECT_EQ(errors(), (std::vector<std::string>{"-222,\"Data out of range\"",
                                                  "-222,\"Data out of range\""}));
}

} // namespace
} // namespace kelvo::testing
