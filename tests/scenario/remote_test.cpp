// Remote control on the window model: each command does what the window's own control does,
// and shows in the window; the error queue; what the monitor hears.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "remote/scpi_session.h"
#include "scenario/fixture.h"

#include <algorithm>

namespace kelvo::testing {
namespace {

using platform::FieldValue;

class Heard : public platform::Observer {
public:
    void remote_event(const std::string& text) override { events.push_back(text); }
    std::vector<std::string> events;
};

class Remote : public SupplyTest {
protected:
    Remote() { form.watch(&heard); }
    ~Remote() override { form.unwatch(&heard); }
    std::string ask(std::string_view line) { return session.execute(line); }
    // Every error waiting, oldest first.
    std::vector<std::string> errors() {
        std::vector<std::string> found;
        while (session.errors_waiting() > 0) {
            std::string error = ask("SYST:ERR?");
            error.pop_back();
            found.push_back(error);
        }
        return found;
    }

    Heard heard;
    remote::Session session{form, "client"};
};

TEST_F(Remote, IdentityAnswersAndTheBoundedErrorQueue) {
    EXPECT_EQ(ask("*IDN?;SYST:VERS?;*OPC?"), "KELVO,KELVO desktop,0,1.0;1999.0;1\n");
    EXPECT_EQ(ask("SYST:ERR?"), "0,\"No error\"\n");
    EXPECT_EQ(ask("*CLS"), "");
    ask("FOO;VOLT;OUTP? 1;VOLT x");
    EXPECT_EQ(errors(), (std::vector<std::string>{
                            "-113,\"Undefined header\"", "-109,\"Missing parameter\"",
                            "-108,\"Parameter not allowed\"", "-102,\"Syntax error\""}));
    for (int i = 0; i < 20; ++i) {
        ask("FOO");
    }
    EXPECT_EQ(session.errors_waiting(), remote::kErrorQueueSize);
    const std::vector<std::string> all = errors();
    EXPECT_EQ(all[remote::kErrorQueueSize - 2], "-113,\"Undefined header\"");
    EXPECT_EQ(all.back(), "-350,\"Queue overflow\"");
    ask("FOO");
    ask("*CLS");
    EXPECT_EQ(session.errors_waiting(), 0u);
    EXPECT_EQ(session.refuse_long_line(), "ERROR: line longer than 4096 bytes, ignored\n");
    EXPECT_EQ(errors(), std::vector<std::string>{"-223,\"Too much data\""});
    EXPECT_TRUE(heard.events.empty()); // nothing changed
}

TEST_F(Remote, SetPointsGoOutAtOnceAndShowAsIfTyped) {
    EXPECT_EQ(ask("VOLT 5;CURR 1;VOLT?;CURR?"), "5.00;1.000\n");
    EXPECT_EQ(ui.Text1.text(), "5V");
    EXPECT_EQ(ui.Text2.text(), "1A");
    tick();
    EXPECT_EQ(form.command_frame, frame(500, 1000, 'N'));
    // Rounded as typing rounds (halves to even on the code); the box shows what goes out.
    ask("SOUR:VOLT:LEV 12.345;SOUR:CURR 5.1");
    EXPECT_EQ(ui.Text1.text(), "12.34V");
    EXPECT_EQ(form.set_current_code, 5100);
    // Out of range: the client hears of it, the window shows no box and keeps its values.
    ask("VOLT 31.01;VOLT -0.01;CURR 5.1001;VOLT 1e999");
    EXPECT_EQ(errors(), std::vector<std::string>(4, "-222,\"Data out of range\""));
    EXPECT_TRUE(ui.message_box.shown.empty());
    EXPECT_EQ(ui.Text1.text(), "12.34V");
    EXPECT_EQ(form.set_voltage_code, 1234);
    // The typed entry's later commit finds the same text: nothing changes.
    tick(40);
    EXPECT_EQ(form.command_frame, frame(1234, 5100, 'N'));
    EXPECT_EQ(heard.events.size(), 4u);
    EXPECT_EQ(heard.events.front(), "client: VOLT 5");
}

TEST_F(Remote, OutputNeedsAnAnsweringSupplyAndIsRecordedLikeTheButton) {
    EXPECT_EQ(ask("SYST:LINK?;OUTP ON;OUTP?"), "NONE;0\n");
    EXPECT_EQ(errors(),
              std::vector<std::string>{"-221,\"Settings conflict;the supply does not answer\""});
    attach_supply();
    answering = true; // 5.00 V, 1.000 A from now on
    ask("VOLT 5;CURR 1;OUTP 1");
    EXPECT_EQ(ui.Command1.caption(), "OFF");
    second(10);
    EXPECT_EQ(output_letter(), 'O');
    EXPECT_EQ(ask("SYST:LINK?;MEAS:VOLT?;MEAS:CURR?;MEAS:POW?;OUTP?"), "COM2;5.00;1.000;5.000;1\n");
    // 5 V, 1 A for 10 s: 10 C and 50 J.
    EXPECT_EQ(ask("MEAS:CHAR?;ENER?"), "0.002778;0.013889\n");
    ask("OUTP OFF");
    EXPECT_EQ(output_letter(), 'N');
    EXPECT_EQ(ui.Command1.caption(), "ON");
    EXPECT_EQ(record_count(), 1u);
    ask("OUTP maybe");
    EXPECT_EQ(errors(), std::vector<std::string>{"-224,\"Illegal parameter value\""});
}

TEST_F(Remote, ProtectionModeIsTheTripList) {
    ask("CURR:PROT:MODE TRIP");
    EXPECT_EQ(ui.Combo4.selected_index(), 1);
    EXPECT_TRUE(form.trip_on_over_current);
    EXPECT_EQ(ask("CURR:PROT:MODE?"), "TRIP\n");
    ask("SOUR:CURR:PROTECTION:MODE steady");
    EXPECT_FALSE(form.trip_on_over_current);
    EXPECT_EQ(ask("CURR:PROT:MODE?"), "STE\n");
    ask("CURR:PROT:MODE OFF");
    EXPECT_EQ(errors(), std::vector<std::string>{"-224,\"Illegal parameter value\""});
}

TEST_F(Remote, ProgramsRunThroughTheWindowsButtonAndLockTheSetPoints) {
    ui.Adodc1.rows = {{1.0, 5.0, 1.0, 3.0}, {2.0, 10.0, 2.0, 2.0}};
    ask("PROG:RUN");
    EXPECT_EQ(errors(),
              std::vector<std::string>{"-221,\"Settings conflict;the supply does not answer\""});
    answering = true;
    attach_supply();
    ask("PROG:RUN 0;PROG:RUN 1.5;PROG:RUN 32768");
    EXPECT_EQ(errors(), std::vector<std::string>(3, "-222,\"Data out of range\""));
    EXPECT_EQ(ask("PROG:STAT?"), "IDLE\n");
    ask("PROG:RUN 500");
    EXPECT_EQ(ui.Combo5.text(), "500");
    EXPECT_EQ(form.runs_left, 500);
    EXPECT_EQ(ui.Command4.caption(), "STOP");
    tick();
    EXPECT_EQ(ask("PROG:STAT?;VOLT?"), "RUNNING,1,3;5.00\n");
    ask("VOLT 1;CURR 1;PROG:RUN");
    EXPECT_EQ(errors(),
              std::vector<std::string>(3, "-221,\"Settings conflict;a step program is running\""));
    second(3);
    EXPECT_EQ(ask("PROG:STAT?;VOLT?"), "RUNNING,2,2;10.00\n");
    ask("PROG:STOP");
    EXPECT_EQ(ask("PROG:STAT?;OUTP?"), "IDLE;0\n");
    EXPECT_EQ(record_count(), 1u);
    // A table the window refuses: its box, and the client is told to look there.
    ui.Adodc1.rows = {{1.0, 50.0, 1.0, 3.0}};
    ask("PROG:RUN");
    EXPECT_EQ(errors(),
              std::vector<std::string>{
                  "-221,\"Settings conflict;the step table was refused, see the window\""});
    EXPECT_EQ(ui.message_box.shown.size(), 1u);
}

TEST_F(Remote, OffEndsARunningProgramAndResetRestoresTheStart) {
    ui.Adodc1.rows = {{1.0, 5.0, 1.0, 3.0}};
    answering = true;
    attach_supply();
    ask("VOLT 7;CURR 2;CURR:PROT:MODE TRIP;PROG:RUN");
    ask("OUTP OFF");
    EXPECT_FALSE(form.program_running);
    EXPECT_EQ(ask("PROG:STAT?"), "IDLE\n");
    ask("OUTP ON");
    EXPECT_EQ(ask("PROG:STAT?"), "MANUAL\n");
    ask("*RST");
    EXPECT_FALSE(form.output_on);
    EXPECT_EQ(ui.Text1.text(), "00.00V");
    EXPECT_EQ(ui.Text2.text(), "0.000A");
    EXPECT_EQ(ui.Combo4.selected_index(), 0);
    tick();
    EXPECT_EQ(form.command_frame, frame(0, 0, 'N'));
    EXPECT_EQ(heard.events.back(), "client: *RST");
}

TEST_F(Remote, StatusRegistersFollowTheClientsErrorsThroughTheMasks) {
    // Power on at the first connection, read once; the status byte is not emptied by reading.
    EXPECT_EQ(ask("*ESR?;*ESR?;*STB?"), "128;0;16\n");
    ask("FOO;VOLT 99;*ESE 32;*SRE 32");
    EXPECT_EQ(ask("SYST:ERR:COUN?"), "2\n");
    EXPECT_EQ(ask("*STB?"), "100\n"); // errors waiting, the command error enabled, and RQS
    EXPECT_EQ(ask("*STB?;*STB?;*ESE?"), "100;116;32\n"); // then an answer waits too
    EXPECT_EQ(ask("*ESR?;*STB?"), "48;20\n");
    // *CLS empties the queue and the register; the masks stay.
    ask("FOO;*CLS");
    EXPECT_EQ(ask("*STB?;SYST:ERR:COUN?"), "0;0\n");
    EXPECT_EQ(ask("*ESE?;*SRE?"), "32;32\n");
    ask("*OPC;*WAI");
    EXPECT_EQ(ask("*ESR?"), "1\n");
    ask("*ESE 256;*SRE x;*ESE -1");
    EXPECT_EQ(errors(),
              (std::vector<std::string>{"-222,\"Data out of range\"", "-102,\"Syntax error\"",
                                        "-222,\"Data out of range\""}));
    EXPECT_EQ(ask("*ESE?;*ESR?"), "32;48\n");
    // Each client has registers of its own.
    remote::Session other{form, "other"};
    EXPECT_EQ(other.execute("*ESE?;*ESR?"), "0;128\n");
    EXPECT_TRUE(heard.events.empty());
}

TEST_F(Remote, SelfTestAndSerialNumberFollowTheLink) {
    EXPECT_EQ(ask("*TST?;*IDN?"), "1;KELVO,KELVO desktop,0,1.0\n");
    ui.MSComm1.ports[2] = platform::OpenResult::Opened;
    tick();
    EXPECT_EQ(ask("*TST?;*IDN?"), "2;KELVO,KELVO desktop,COM2,1.0\n");
    attach_supply();
    EXPECT_EQ(ask("*TST?"), "0\n");
    // A read second without a reply: the port stays open, the test fails until it answers.
    second(2);
    EXPECT_EQ(ask("*TST?;*IDN?"), "2;KELVO,KELVO desktop,COM2,1.0\n");
}

TEST_F(Remote, ResetSwitchesOffFirstAndKeepsTheStatus) {
    ui.Adodc1.rows = {{1.0, 5.0, 1.0, 3.0}};
    answering = true;
    attach_supply();
    ask("*ESE 16;VOLT 99;PROG:RUN");
    tick();
    ask("*RST");
    // The off is in the frame as soon as the line is carried out, without a box.
    EXPECT_EQ(output_letter(), 'N');
    EXPECT_TRUE(ui.message_box.shown.empty());
    tick();
    EXPECT_EQ(form.command_frame, frame(0, 0, 'N'));
    EXPECT_FALSE(form.program_running);
    EXPECT_FALSE(form.output_on);
    EXPECT_EQ(ask("*ESE?;*ESR?;SYST:ERR?"), "16;144;-222,\"Data out of range\"\n");
}

TEST_F(Remote, TablesAndProfilesFromAScriptAndWhyTheRunEnded) {
    answering = true;
    attach_supply();
    ask("PROG:TABL \"voltage V,current A,seconds|5,1,3|10,2,2\"");
    EXPECT_EQ(errors(), std::vector<std::string>{});
    ASSERT_EQ(ui.Adodc1.rows.size(), 2u);
    EXPECT_EQ(ui.Adodc1.rows[1][1], FieldValue(10.0));
    ask("PROG:TABL \"voltage V,current A,seconds|50,1,3\";PROG:TABL 5");
    const std::vector<std::string> refused = errors();
    ASSERT_EQ(refused.size(), 2u);
    EXPECT_EQ(refused[0].rfind("-224,", 0), 0u) << refused[0];
    EXPECT_EQ(refused[1].rfind("-102,", 0), 0u) << refused[1];
    EXPECT_EQ(ui.Adodc1.rows.size(), 2u); // the old table stands

    EXPECT_EQ(ask("PROG:PROF?"), "\"\"\n");
    ask("PROG:PROF \"liion, cells=1,cell=4.2,current=1,taper=0.1,hours=1\"");
    EXPECT_EQ(errors(), std::vector<std::string>{});
    EXPECT_EQ(ask("PROG:PROF?"), "\"Li-ion charge\"\n");
    ASSERT_EQ(ui.Adodc1.rows.size(), 1u);
    EXPECT_EQ(ui.Adodc1.rows[0][1], FieldValue(4.2));
    EXPECT_NE(std::find(heard.events.begin(), heard.events.end(),
                        "Profile \"Li-ion charge\" written to the step table."),
              heard.events.end());
    // A figure out of range or a key the profile does not take: refused, nothing written.
    ask("PROG:PROF \"LIION,cells=9,cell=4.2,current=1,taper=0.1,hours=1\"");
    ask("PROG:PROF \"LIION,cells=1,cell=4.2,current=1,taper=0.1,hours=1,volts=3\"");
    ask("PROG:PROF \"TOASTER\"");
    const std::vector<std::string> bad = errors();
    ASSERT_EQ(bad.size(), 3u);
    for (const std::string& error : bad) {
        EXPECT_EQ(error.rfind("-224,\"Illegal parameter value;", 0), 0u) << error;
    }
    EXPECT_NE(bad[0].find("Cells"), std::string::npos) << bad[0];
    EXPECT_EQ(ask("PROG:PROF?"), "\"Li-ion charge\"\n");

    answer_volts = "0420";
    ask("PROG:RUN");
    EXPECT_EQ(ask("PROG:STAT?"), "RUNNING,1,3600\n");
    ask("PROG:PROF \"LIION,cells=1,cell=4.2,current=1,taper=0.1,hours=1\"");
    EXPECT_EQ(errors(),
              std::vector<std::string>{"-221,\"Settings conflict;a step program is running\""});
    // A step that ends on its condition counts down to its longest time.
    second(10);
    EXPECT_EQ(ask("PROG:STAT?"), "RUNNING,1,3590\n");
    answer_amps = "0050";
    second(40);
    EXPECT_EQ(ask("PROG:STAT?;PROG:END?"),
              "IDLE;\"step condition\",\"step 1 condition: I<0.100 A, 30..3600 s, stop at "
              "0.050 A after 30 s\"\n");
}

} // namespace
} // namespace kelvo::testing
