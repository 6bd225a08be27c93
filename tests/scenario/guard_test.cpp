// The limits that guard the device under test, on the window model tick by tick: every
// source of a set-point held to them, every way they end a period, and what is kept of them.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "remote/scpi_session.h"
#include "scenario/fixture.h"

#include <algorithm>

namespace kelvo::testing {
namespace {

class Guard : public SupplyTest {
protected:
    void limit(LimitKind kind, double value) {
        OutputLimits limits = form.output_limits;
        limits[kind] = value;
        std::string why;
        ASSERT_TRUE(form.set_limits(limits, "window", why)) << why;
    }
    // The highest voltage and current code any frame since the start carried.
    std::pair<int, int> highest_on_wire() const {
        int volts = 0;
        int amps = 0;
        for (const std::string& f : frames) {
            volts = std::max(volts, std::stoi(f.substr(6, 4)));
            amps = std::max(amps, std::stoi(f.substr(11, 4)));
        }
        return {volts, amps};
    }
    std::string record_text() const {
        const auto all = records();
        return all.empty() ? std::string() : all.rbegin()->second;
    }
    std::vector<PeriodEvent> events_of_last_record() const {
        const auto all = records();
        if (all.empty()) {
            return {};
        }
        const auto found = ui.files.files.find(events_path_of(all.rbegin()->first));
        return found == ui.files.files.end() ? std::vector<PeriodEvent>{}
                                             : read_events_file(found->second);
    }
    std::string off_cause() const {
        const auto events = events_of_last_record();
        return events.empty() || events.back().kind != EventKind::OutputOff ? "none"
                                                                            : events.back().source;
    }
};

TEST_F(Guard, NoSourceGetsASetPointAboveItsLimitOnTheWire) {
    attach_supply();
    answering = true;
    limit(LimitKind::Voltage, 5);
    limit(LimitKind::Current, 0.5);
    const std::size_t boxes = ui.message_box.shown.size();

    // Typed: refused at the delayed commit, with the box that names the limit.
    ui.Text1.type("12");
    second(4);
    EXPECT_EQ(ui.Text1.text(), "0V");
    ASSERT_GT(ui.message_box.shown.size(), boxes);
    EXPECT_EQ(last_prompt(), "The set-point 12.00 V is above the voltage limit of 5.00 V and was "
                             "not taken.");
    EXPECT_EQ(ui.message_box.shown.back().title, "Voltage limit");
    // Presets: the voltage one at once, the current one at its delayed commit.
    ui.Combo1.choose(9);
    ui.Combo2.choose(20);
    second(4);
    EXPECT_EQ(last_prompt(), "The set-point 2.000 A is above the current limit of 0.500 A and was "
                             "not taken.");
    EXPECT_EQ(ui.Text2.text(), "0A");
    // Sliders stop at the limit.
    ui.Slider1.move_to(3100);
    EXPECT_EQ(ui.Slider1.value(), 500);
    EXPECT_EQ(form.set_voltage_code, 500);
    ui.Slider2.move_to(5100);
    second(4);
    EXPECT_EQ(ui.Slider2.value(), 500);
    EXPECT_EQ(form.set_current_code, 500);
    // Remote control: an error, and the set-point stays.
    remote::Session session(form, "client");
    session.execute("VOLT 6;CURR 0.6");
    EXPECT_EQ(session.execute("SYST:ERR?;SYST:ERR?;VOLT?;CURR?"),
              "-222,\"Data out of range;above the voltage limit of 5.00 V\";-222,\"Data out of "
              "range;above the current limit of 0.500 A\";5.00;0.500\n");
    // A step program above a limit does not start, and the box lists its rows.
    ui.Adodc1.rows = {
        {1.0, 4.0, 0.1, 2.0}, {2.0, 6.0, 0.1, 2.0}, {3.0, 1.0, 0.7, 2.0}, {4.0, 9.0, 0.1, 2.0}};
    ui.Command4.click();
    second();
    EXPECT_FALSE(form.program_running);
    EXPECT_EQ(last_prompt(), "Rows 2, 4 of the step table are above the voltage limit of 5.00 V. "
                             "Rows 3 of the step table are above the current limit of 0.500 A.");
    // A table within them runs.
    ui.Adodc1.rows = {{1.0, 5.0, 0.5, 2.0}};
    ui.Command4.click();
    second(3);
    EXPECT_TRUE(form.program_running) << last_prompt();
    ui.Command4.click();
    EXPECT_EQ(highest_on_wire(), std::make_pair(500, 500));
}

TEST_F(Guard, ALimitIsNotSetUnderWhatTheOutputIsDoing) {
    attach_supply();
    answering = true;
    ui.Combo1.choose(12);
    ui.Command1.click();
    second();
    OutputLimits lower;
    lower[LimitKind::Voltage] = 10;
    std::string why;
    EXPECT_FALSE(form.set_limits(lower, "window", why));
    EXPECT_EQ(why, "The voltage limit cannot be set to 10.00 V while the output is on: the "
                   "present set-point is 12.00 V. Lower the set-point first.");
    EXPECT_FALSE(form.output_limits.any());
    // With the output off it comes in, and the set-point comes down to it.
    ui.Command1.click();
    EXPECT_TRUE(form.set_limits(lower, "window", why));
    EXPECT_EQ(form.set_voltage_code, 1000);
    EXPECT_EQ(ui.Text1.text(), "10V");
    EXPECT_EQ(ui.LimitsReadout.caption(), "Limits: ≤10.00 V");
    // A running program's steps count as its set-point.
    ui.Adodc1.rows = {{1.0, 4.0, 0.1, 2.0}, {2.0, 8.0, 0.1, 2.0}};
    ui.Command4.click();
    lower[LimitKind::Voltage] = 6;
    EXPECT_FALSE(form.set_limits(lower, "window", why));
    EXPECT_EQ(why, "The voltage limit cannot be set to 6.00 V while the step program runs: step 2 "
                   "asks for 8.00 V. Stop the program first.");
}

TEST_F(Guard, TwoReadingsAboveTheVoltageLimitSwitchTheOutputOffAtOnce) {
    attach_supply();
    limit(LimitKind::Voltage, 5);
    ui.Combo1.choose(5);
    ui.Command1.click();
    // One high reading is not enough: a garbled frame could say anything once.
    answer("0600", "0100");
    second();
    answer("0490", "0100");
    second();
    answer("0600", "0100");
    second();
    EXPECT_TRUE(form.output_on);
    // The second in a row: off in the read phase of that very tick, the box after.
    answer("0601", "0100");
    tick(9);
    EXPECT_TRUE(form.output_on);
    ui.message_box.stay_open = true;
    tick();
    EXPECT_FALSE(form.output_on);
    EXPECT_EQ(output_letter(), 'N');
    EXPECT_EQ(ui.message_box.on_screen,
              "Output switched off by a limit: the measured voltage 6.01 V was above the voltage "
              "limit of 5.00 V in two readings in a row.");
    EXPECT_EQ(off_cause(), "max-voltage");
    EXPECT_NE(record_text().find("Output switched off by a limit: the measured voltage 6.01 V"),
              std::string::npos);
}

TEST_F(Guard, PeriodLimitsEndThePeriodAndTheRecordSaysWhich) {
    struct Case {
        LimitKind kind;
        double value;
        int ticks_on; // polling ticks before the output is off
        const char* cause;
        const char* note;
    };
    // 5 V and 1 A: each second 1 C (0.278 mAh) and 5 J (1.389 mWh).
    const Case cases[] = {
        {LimitKind::Time, 2.5, 25, "max-time", "the time limit of 2.5 s was reached"},
        {LimitKind::Charge, 1, 40, "max-charge", "the charge limit of 1 mAh was reached"},
        {LimitKind::Energy, 6.9, 50, "max-energy", "the energy limit of 6.9 mWh was reached"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.cause);
        fake::FakeForm window;
        Form1 model{window.controls()};
        model.Form_Load();
        window.MSComm1.ports[2] = platform::OpenResult::Opened;
        const auto tick_once = [&] {
            if (window.MSComm1.incoming.empty()) {
                window.MSComm1.queue_read("QZPPSU0500A1000W");
            }
            window.clock.steady += 0.1;
            window.Timer1.tick();
        };
        for (int i = 0; i < 10; ++i) {
            tick_once();
        }
        OutputLimits limits;
        limits[c.kind] = c.value;
        std::string why;
        ASSERT_TRUE(model.set_limits(limits, "command line", why));
        window.Command1.click();
        int ticks = 0;
        while (model.output_on && ticks < 100) {
            tick_once();
            ++ticks;
        }
        EXPECT_FALSE(model.output_on);
        // The time limit on the tick it is reached, the others on the display second
        // whose reading reaches them.
        EXPECT_EQ(ticks, c.ticks_on);
        ASSERT_FALSE(window.files.files.empty());
        const std::string record = window.files.files.begin()->second;
        EXPECT_NE(record.find(std::string("Output switched off by a limit: ") + c.note +
                              ".\r\nSave "
                              "Path:"),
                  std::string::npos)
            << record;
        const auto events = read_events_file(std::next(window.files.files.begin())->second);
        ASSERT_FALSE(events.empty());
        EXPECT_EQ(events.back().source, c.cause);
        // Limits from the command line are not written down for the next start.
        EXPECT_EQ(window.files.files.count(model.limits_file_path()), 0u);
    }
}

TEST_F(Guard, ASilentSupplyIsToldAtOnceFreezesTheCountersAndIsNamedInTheRecord) {
    attach_supply("0500", "1000");
    answering = true;
    ui.Command1.click();
    second(3);
    const double coulombs = form.period_meter.coulombs();
    EXPECT_EQ(ui.PeriodReadout.caption().rfind("Period", 0), 0u);
    answering = false;
    // The first read second without a reply says so, before any display second.
    tick(9);
    EXPECT_EQ(ui.PeriodReadout.caption().rfind("Period", 0), 0u);
    tick();
    EXPECT_FALSE(form.reading_is_measurement());
    EXPECT_EQ(ui.PeriodReadout.caption().rfind("Supply not answering   Period", 0), 0u);
    EXPECT_EQ(ui.StatusBar1.panel_text(1).rfind("communication:connection is successful", 0), 0u);
    second(4);
    // Logged as always, counted for nothing.
    EXPECT_DOUBLE_EQ(form.period_meter.coulombs(), coulombs);
    answering = true;
    second(2);
    EXPECT_TRUE(form.reading_is_measurement());
    EXPECT_EQ(ui.PeriodReadout.caption().rfind("Period", 0), 0u);
    // The first measured reading again stands only for the second since the last one.
    EXPECT_NEAR(form.period_meter.coulombs() - coulombs, 2.0, 1e-9);
    ui.Command1.click();
    const std::string record = record_text();
    // The display second that found the first silent read second logged it stale.
    EXPECT_NE(record.find("\r\nThe supply did not answer from 14:07:09 to 14:07:09; the readings "
                          "logged in that time were not measured.\r\nSave Path:"),
              std::string::npos)
        << record;
    std::vector<std::string> kinds;
    for (const PeriodEvent& e : events_of_last_record()) {
        kinds.emplace_back(event_name(e.kind));
    }
    EXPECT_EQ(kinds, (std::vector<std::string>{"output on", "supply not answering",
                                               "supply answering", "output off"}));
}

TEST_F(Guard, TheNoticeComesWithTheReadSecondNotTheNextDisplaySecond) {
    // The port opens half a second into the display count: its read seconds fall between.
    tick(5);
    ui.MSComm1.ports[2] = platform::OpenResult::Opened;
    answering = true;
    second(2);
    ASSERT_TRUE(form.reading_is_measurement());
    answering = false;
    int ticks = 0;
    while (form.reading_is_measurement() && ticks < 20) {
        tick();
        ++ticks;
    }
    EXPECT_FALSE(form.display_divider == 0);
    EXPECT_EQ(ui.PeriodReadout.caption().rfind("Supply not answering", 0), 0u);
}

TEST_F(Guard, APeriodCutShortInASilenceKeepsItsSpanAndTimeline) {
    attach_supply("0500", "1000");
    answering = true;
    ui.Command1.click();
    second(2);
    answering = false;
    second(3);
    // The program dies here: the journal is all that is left.
    fake::FakeForm again;
    again.files.journals = ui.files.journals;
    again.files.journal_written = ui.files.journal_written;
    again.files.folders = ui.files.folders;
    Form1 restarted{again.controls()};
    restarted.Form_Load();
    ASSERT_EQ(again.files.files.size(), 2u);
    const std::string record = again.files.files.begin()->second;
    EXPECT_EQ(record.find('\x1e'), std::string::npos);
    EXPECT_NE(record.find("\r\nThe supply did not answer from 14:07:09 to 14:07:09; the readings "
                          "logged in that time were not measured.\r\nThe program ended"),
              std::string::npos)
        << record;
    const auto events = read_events_file(std::next(again.files.files.begin())->second);
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[1].kind, EventKind::SupplySilent);
    EXPECT_EQ(events[1].source, "COM2 /dev/fake2");
    EXPECT_EQ(events[2].source, "recovery");
}

TEST_F(Guard, ASilenceLimitSwitchesOffAndTheSupplyStaysOffWhenItAnswersAgain) {
    attach_supply();
    limit(LimitKind::Silence, 3);
    answering = true;
    ui.Command1.click();
    second(2);
    answering = false;
    int ticks = 0;
    while (form.output_on && ticks < 100) {
        tick();
        ++ticks;
    }
    // The last reply came on the last read second: three seconds later, on that tick.
    EXPECT_EQ(ticks, 30);
    EXPECT_EQ(off_cause(), "off-after-silence");
    const std::size_t sent = ui.MSComm1.written.size();
    answering = true;
    second(3);
    EXPECT_FALSE(form.output_on);
    // "N" frames go on streaming to the supply.
    ui.Timer2.tick(64);
    EXPECT_GT(ui.MSComm1.written.size(), sent);
    EXPECT_EQ(ui.MSComm1.written.find('O', sent), std::string::npos);
}

TEST_F(Guard, RemoteReadingsOfASilentSupplyAreAnErrorNotAValue) {
    attach_supply("0500", "1000");
    answering = true;
    second();
    remote::Session session(form, "client");
    EXPECT_EQ(session.execute("MEAS:VOLT?"), "5.00\n");
    answering = false;
    second();
    EXPECT_EQ(session.execute("FETC:VOLT?;FETC:CURR?"), "9.91E+37;9.91E+37\n");
    EXPECT_EQ(session.execute("SYST:ERR?"),
              "-230,\"Data corrupt or stale;the supply is not answering\"\n");
    // MEASure waits a second and a half for a valid reply, then says the same.
    EXPECT_EQ(session.execute("MEAS:VOLT?"), "");
    tick(13);
    session.resume();
    EXPECT_TRUE(session.waiting());
    EXPECT_EQ(session.take_output(), "");
    tick(3);
    session.resume();
    EXPECT_EQ(session.take_output(), "9.91E+37\n");
    EXPECT_EQ(session.execute("SYST:ERR:COUN?"), "2\n"); // FETC:CURR's, and this one
}

TEST_F(Guard, TheLimitsFileIsKeptAndADamagedOneIsToldAndIgnored) {
    limit(LimitKind::Voltage, 5);
    limit(LimitKind::Time, 600);
    const std::string path = "/home/user/.local/share/kelvo/limits.conf";
    EXPECT_EQ(ui.files.files.at(path), "max-voltage=5\nmax-time=600\n");

    const auto start_with = [&](const std::string& content, bool fifo) {
        auto window = std::make_unique<fake::FakeForm>();
        window->files.files[path] = content;
        if (fifo) {
            window->files.fifos.insert(path);
        }
        auto model = std::make_unique<Form1>(window->controls());
        model->Form_Load();
        return std::make_pair(std::move(window), std::move(model));
    };
    {
        auto [window, model] = start_with("max-voltage=5\nmax-time=600\n", false);
        EXPECT_EQ(model->output_limits, form.output_limits);
        EXPECT_TRUE(window->message_box.shown.empty());
    }
    for (const auto& [content, why] : std::vector<std::pair<std::string, std::string>>{
             {"max-voltage=5\nmax-time=-1\n",
              "line 2: The time limit must be above 0 s and at most 31622400 s"},
             {"max-voltage=5\nmax-volts=3\n", "line 2: unknown key \"max-volts\""},
             {"max-voltage=5\nmax-voltage=4\n", "line 2: \"max-voltage\" given twice"},
             {"max-voltage=abc\n", "line 1: The voltage limit \"abc\" is not a number."},
             {"max-voltage\n", "line 1: not a key=value line"},
             {"", "not a regular file"}}) {
        SCOPED_TRACE(content);
        auto [window, model] = start_with(content, content.empty());
        // Nothing of it in force: not the good first line either.
        EXPECT_FALSE(model->output_limits.any());
        ASSERT_EQ(window->message_box.shown.size(), 1u);
        EXPECT_NE(window->message_box.shown[0].prompt.find(why), std::string::npos)
            << window->message_box.shown[0].prompt;
    }
}

} // namespace
} // namespace kelvo::testing
