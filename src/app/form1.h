// app/ owns the main window model: its controls, its variables, start-up and shutdown,
// and the choice of language. This header is the map of the whole program: every
// handler and procedure is a member, grouped by the subsystem it serves and defined in
// app/ in a file named for that subsystem (app/link_serial.cpp, app/record_files.cpp);
// the subsystem's own folder holds the logic that needs no window.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/limits.h"
#include "limits/output_limits.h"
#include "meter/period_meter.h"
#include "platform/form_controls.h"
#include "platform/observer.h"
#include "program/profile_plan.h"
#include "program/step_condition.h"
#include "record/period_events.h"

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kelvo {

namespace texts {
struct Text;
}
struct Step;
struct TableRow;

using platform::FieldValue;

class Form1 final : public platform::Reporter {
public:
    explicit Form1(const platform::FormControls& controls);
    // Detaches the handlers from the timers, which may outlive the window model.
    ~Form1() override;
    Form1(const Form1&) = delete;
    Form1& operator=(const Form1&) = delete;

    // ---- app/: start-up, shutdown, language ------------------------------------------
    void Form_Load(); // app/startup.cpp
    // What start-up left undone that the terminal hears of too: files left in place.
    std::vector<std::string> startup_notes;
    // The user asks to close: true when the window may go now. With the output on it asks
    // first and closes the window itself once answered.
    bool Form_QueryUnload(); // app/startup.cpp
    // The window goes: the output is switched off on the wire (unless the user chose to
    // leave it on) and the record saved before the port is closed.
    void Form_Unload();      // app/startup.cpp
    void Combo3_Click();     // app/language.cpp
    void refresh_captions(); // app/language.cpp
    // A text of the table in the language chosen.
    const char* text(const texts::Text& key) const; // app/language.cpp
    // The parts of Form_Load, in its order.
    void set_up_sliders();                           // app/startup.cpp
    void fill_choice_lists();                        // app/startup.cpp
    void open_step_table(const std::string& folder); // app/startup.cpp
    // The window's icon and the folder of the step table: beside the program for a
    // portable copy; the installed data and the user's own copy of the sample otherwise.
    std::string icon_path() const;   // app/data_files.cpp
    std::string step_table_folder(); // app/data_files.cpp
    // A portable copy: a step table beside a program folder it may write, or no installed
    // data at all (a build folder).
    bool portable_copy() const; // app/data_files.cpp

    // ---- link/: serial link, protocol, polling cycle -----------------------------------
    std::int16_t COM_SCAN(); // app/link_serial.cpp
    void connect_port();     // app/link_serial.cpp
    // May run on the send timer's own thread. It holds send_mutex and touches only
    // send_position, command_frame and the port's is_open and write.
    void Timer2_Timer();                        // app/link_serial.cpp
    void monitor_line(const std::string& line); // app/link_serial.cpp
    int open_found_port();                      // app/link_serial.cpp
    void port_opened(int number);               // app/link_serial.cpp
    // The port the user chose: 1..16 uses only that port, 0 finds the supply by scanning.
    // False, and nothing changes, when the change would leave the open port while the
    // output is on: the supply would go on with nobody at the wire.
    bool pin_port(int number);                                        // app/link_port_choice.cpp
    void connect_pinned_port();                                       // app/link_port_choice.cpp
    void port_refused(int number);                                    // app/link_port_choice.cpp
    void tell_scan();                                                 // app/link_port_choice.cpp
    void tell_link_event(const std::string& text);                    // app/link_port_choice.cpp
    std::string port_label(const texts::Text& key, int number) const; // app/link_port_choice.cpp
    void Timer1_Timer();                                              // app/main_loop.cpp
    void read_replies();                                              // app/link_replies.cpp
    // The steps of a polling tick, in their order. The over-current trip (protect_output)
    // switches the output off on the tick that sees the supply report it.
    void count_ticks();                                          // app/main_loop.cpp
    void update_command_frame();                                 // app/main_loop.cpp
    void protect_output(char& mode_letter, char& output_letter); // app/main_loop.cpp
    void drop_lost_link();                                       // app/link_replies.cpp
    // True when the data held a valid reply.
    bool parse_reply(const std::string& data); // app/link_replies.cpp
    void show_readings();                      // app/main_loop.cpp
    void log_readings();                       // app/main_loop.cpp
    void end_used_up_run();                    // app/main_loop.cpp
    void tell_reply(const std::string& frame); // app/meter_readout.cpp
    // The one word on whether the present reading is a measurement: it came from a valid
    // reply of the latest read second on the port in use.
    bool reading_is_measurement() const { return port_ready && reply_fresh; }
    // A read second came and went: with a valid reply or without.
    void note_read_second(bool valid); // app/link_replies.cpp

    // ---- settings/: set-points and front panel -----------------------------------------
    void SZDYZH(const std::string& text);          // app/settings_setpoints.cpp
    void SZDLZH(const std::string& text);          // app/settings_setpoints.cpp
    void Text1_Change();                           // app/settings_setpoints.cpp
    void Text2_Change();                           // app/settings_setpoints.cpp
    void Combo1_Click();                           // app/settings_front_panel.cpp
    void Combo2_Click();                           // app/settings_front_panel.cpp
    void Combo4_Click();                           // app/settings_front_panel.cpp
    void Slider1_Change();                         // app/settings_front_panel.cpp
    void Slider2_Change();                         // app/settings_front_panel.cpp
    void apply_voltage_choice(const char* source); // app/settings_front_panel.cpp
    void Command1_Click();                         // app/settings_front_panel.cpp
    void Command5_Click();                         // app/settings_front_panel.cpp
    void commit_typed_setpoints();                 // app/settings_setpoints.cpp
    void commit_entry(platform::TextBox& box, char unit, const char* prompt, const char* title,
                      const std::string& accepted,
                      void (Form1::*convert)(const std::string&)); // app/settings_setpoints.cpp
    void set_front_panel_enabled(bool enabled);                    // app/settings_front_panel.cpp

    // ---- program/: step table and run control -----------------------------------------
    void Combo5_Click();                         // app/program_run.cpp
    void Command4_Click();                       // app/program_run.cpp
    void execute_step();                         // app/program_steps.cpp
    void report_step_error(bool voltage);        // app/program_steps.cpp
    double step_cell(int column, int row) const; // app/program_steps.cpp
    void log_step_begun();                       // app/program_steps.cpp
    // RUN: the step table is copied, and checked row by row, before anything starts; false
    // (and the user is told why) when it is empty, too long for the step counter or holds
    // a value out of range.
    bool load_step_table(); // app/program_run.cpp
    void start_program();   // app/program_run.cpp
    // Steps that end on a condition (app/program_conditions.cpp), profiles (program_profile)
    bool load_row_condition(int row, const std::array<int, kConditionCells>& fields);
    StepCondition running_condition() const;
    std::optional<StepEnd> step_end_due();
    void log_step_ended(StepEnd end, const std::string& why);
    void count_step_reading(bool valid); // a valid read second counts for the condition
    ConditionReading condition_reading() const;
    bool load_profile(const ProfilePlan& plan);
    bool run_profile(const ProfilePlan& plan);
    bool table_is_armed_profile() const;
    bool profile_limits_allow_run();
    void start_profile_run();
    void end_profile_run();
    // Steps from outside the grid (a CSV file, the ramp) appended to the step table or put
    // in place of its steps, through the record set and with the grid's failure rules: the
    // table is the old one or the new one. False, and one box says why, while a program
    // runs, when the table would outgrow the step counter, or when the file refused.
    bool apply_steps(const std::vector<Step>& steps, bool replace); // app/program_exchange.cpp
    // The step table as the file holds it: volts, amperes and seconds of each step, and the
    // cells of its condition where the table has those fields.
    std::vector<TableRow> read_steps(); // app/program_exchange.cpp

    // ---- chart/: live chart --------------------------------------------------------------
    std::int16_t PICTUR_CH(); // app/chart_plot.cpp
    void store_chart_readings(const std::string& voltage_field,
                              const std::string& current_field); // app/chart_plot.cpp
    void plot_chart_sample();                                    // app/chart_plot.cpp

    // ---- record/: record log and files -------------------------------------------------
    void begin_record_log();                                                         // record/
    void append_record_line(const std::string& voltage, const std::string& current); // record/
    bool GBDY_CX();                                                                  // record/
    // Puts "N" into the frame on the wire at once, before anything that could wait.
    void switch_output_off(); // app/record_period.cpp
    // Ends the log of the period with its path line and saves it as a record file; false
    // (and the log says why) when no folder could take it.
    bool save_record(); // app/record_files.cpp
    // Everything logged goes to the journal of the period as well.
    void log_text(const std::string& text); // app/record_files.cpp
    void open_journal();                    // app/record_files.cpp
    void recover_journals();                // app/record_files.cpp
    void recover_journal(const std::string& folder,
                         const platform::FileSystem::Journal& journal); // app/record_files.cpp
    std::optional<std::string>
    journal_to_recover(const platform::FileSystem::Journal& journal); // app/record_files.cpp
    void leave_journal(const platform::FileSystem::Journal& journal,
                       const std::string& why);      // app/record_files.cpp
    std::vector<std::string> record_folders() const; // app/record_files.cpp

    // ---- limits/: what guards the device under test ------------------------------------
    // New limits in force. False, nothing changed and `why` told, when a limit would be
    // below the present set-point while the output is on, or below a step of the running
    // program. With the output off a set-point above a new limit comes down to it.
    // `source` names who set them in the timeline: "window", "command line", "file".
    bool set_limits(const OutputLimits& limits, const std::string& source,
                    std::string& why); // app/limits_guard.cpp
    // Why these limits cannot come in now; empty when they can.
    std::string limits_refusal(const OutputLimits& limits) const; // app/limits_guard.cpp
    // At start: the user's limits file; a damaged one is told and ignored.
    void load_limits(); // app/limits_guard.cpp
    // Keeps the limits in force for the next start; the reason when it could not.
    std::string save_limits();            // app/limits_guard.cpp
    std::string limits_file_path() const; // app/limits_guard.cpp
    // Whether a set-point code may go on the wire; false, and the box that names the limit
    // shown, when it is above the limit.
    bool setpoint_allowed(bool voltage, std::int16_t code); // app/limits_guard.cpp
    // RUN: the rows of the step table copied that ask for more than a limit allows; false
    // (and a box lists them) when there are any.
    bool steps_within_limits(); // app/limits_guard.cpp
    // The checks of every tick (time, silence) and of every reading (over-voltage,
    // charge, energy): a limit reached ends the period at once.
    void guard_period();                                                 // app/limits_guard.cpp
    void guard_reading();                                                // app/limits_guard.cpp
    void guard_figures();                                                // app/limits_guard.cpp
    void end_period_by_limit(OffCause cause, const std::string& reason); // app/limits_guard.cpp
    void show_limits(); // app/limits_guard.cpp: the tool strip's line

    // ---- record/: the period's timeline ------------------------------------------------
    // An event of the running period (nothing while no period runs): kept, journaled,
    // told to the extra windows.
    void log_event(EventKind kind, const std::string& source, const std::string& detail = {});
    Moment moment_now() const; // app/record_timeline.cpp
    // The set-points on the wire, compared tick by tick: a change is an event.
    void note_setpoints(std::int16_t voltage_code,
                        std::int16_t current_code); // app/record_timeline.cpp
    // Ends the period for `cause` (the timeline's source of "output off").
    bool end_period(OffCause cause); // app/record_timeline.cpp
    // The note lines of the period before its save line: silences, the limit that ended it.
    void append_note_lines(); // app/record_timeline.cpp
    // The note lines, the record and its events file: what ends a period on disk.
    bool save_period(); // app/record_timeline.cpp
    // The events file beside a record just saved.
    void save_events(const std::string& record_path); // app/record_timeline.cpp
    void write_events(const std::string& record_path,
                      const std::vector<PeriodEvent>& events); // app/record_timeline.cpp
    // A period's timeline begins with the output on (its set-points, the limits in force)
    // and ends with the output off (its cause and figures).
    void begin_period_timeline();      // app/record_timeline.cpp
    void end_period_timeline();        // app/record_timeline.cpp
    std::string timeline_port() const; // app/record_timeline.cpp: "COM1 /dev/ttyUSB0"

    // ---- meter/: the output period's figures ------------------------------------------
    void start_period_meter();                // app/meter_readout.cpp
    void meter_reading();                     // app/meter_readout.cpp
    void stop_period_meter();                 // app/meter_readout.cpp
    void show_period_readout();               // app/meter_readout.cpp
    platform::Reading period_figures() const; // app/meter_readout.cpp

    // ---- windows beyond the main one: what they hear of the program --------------------
    void watch(platform::Observer* observer);   // app/form1.cpp
    void unwatch(platform::Observer* observer); // app/form1.cpp
    template <typename Call> void tell_observers(Call call) {
        for (platform::Observer* observer : std::vector<platform::Observer*>(observers)) {
            call(*observer);
        }
    }

    // ---- layout/: screen-resolution layout ---------------------------------------------
    bool FBL_PD();  // app/layout_apply.cpp
    void FBL_REV(); // app/layout_apply.cpp

    // Reports to the user (app/form1.cpp), from the window model and from the step table
    // alike: the one place that decides between the monitor and a box. A box never holds
    // anything up: it is shown and the program goes on. One box at a time; the next waits
    // for the answer, and a report that is already up or waiting is only counted.
    void report(platform::Severity severity, const std::string& text,
                const std::string& title) override;
    void show_message(const std::string& prompt, const std::string& title);
    void ask(const std::string& prompt, const std::string& title,
             const std::vector<std::string>& buttons, int default_button,
             std::function<void(int)> on_answer) override;
    bool message_box_open() const { return report_box_up; }
    std::size_t reports_waiting() const { return reports.size(); }

    // ---- controls, from the control list (platform/control_list.h) ---------------------
    platform::Window& window;
#define KELVO_FORM1_CONTROL(kind, name, role) platform::kinds::kind& name;
    KELVO_CONTROLS(KELVO_FORM1_CONTROL)
#undef KELVO_FORM1_CONTROL
#define KELVO_FORM1_SERVICE(kind, name, bundle_name, role) platform::kinds::kind& name;
    KELVO_SERVICES(KELVO_FORM1_SERVICE)
#undef KELVO_FORM1_SERVICE
    // The two charts as the control array Picture1(0), Picture1(1).
    std::array<platform::PictureBox*, 2> Picture1{&Picture1_0, &Picture1_1};

    // ---- window variables, by owning subsystem ------------------------------------------

    // app/: language
    bool english_mode = false;

    // link/: serial link and port scan (index = port number 1..16, 0 unused)
    std::array<bool, limits::kPortCount + 1> port_present{};
    std::array<bool, limits::kPortCount + 1> port_failed{};
    std::int16_t ports_found = 0;
    bool port_ready = false;
    std::int16_t port_number = 0;
    std::int16_t send_position = 0;
    // A failing read has been reported for the port now open.
    bool read_failure_shown = false;
    // link/: the port the user chose (0: scan), and what the last attempt at it came to, so
    // that a port that stays away is told once, not on every tick.
    std::int16_t pinned_port = 0;
    int pinned_result = -1; // a platform::OpenResult, -1 before the first attempt
    // The ports the last scan found refused; the last search told to the extra windows.
    std::array<bool, limits::kPortCount + 1> port_denied{};
    std::string last_scan_event;
    // A refused port is noted in the status bar once per run, for a while.
    std::array<bool, limits::kPortCount + 1> permission_noted{};
    int status_note_port = 0;
    double status_note_until = 0; // on the steady clock

    // link/: device protocol
    std::string command_frame;
    // Held by the send tick, and by whatever changes what the tick sees: the frame being
    // replaced, and the search for the supply, which opens and closes ports (nothing is
    // sent into a port opened only to see whether it exists).
    std::mutex send_mutex;
    std::string voltage_reading;
    std::string current_reading;
    std::string reply_status;
    bool over_current = false;
    std::string voltage_reading_text;
    std::string current_reading_text;

    // link/: polling cycle
    std::int16_t display_divider = 0;
    bool display_due = false;
    std::int16_t read_divider = 0;
    bool read_due = false;
    std::int16_t no_answer_count = 0;
    std::int16_t bad_data_count = 0;
    bool device_connected = false;

    // settings/: set-points and front panel
    std::int16_t set_voltage_code = 0;
    std::int16_t set_current_code = 0;
    std::string voltage_text;
    std::string current_text;
    std::int16_t voltage_edit_idle_ticks = 0;
    std::int16_t current_edit_idle_ticks = 0;
    bool trip_on_over_current = false;
    bool output_on = false;

    // program/: step table, run control and step execution
    // Copy of the step table taken at RUN: step_table[row][column], columns 0..4.
    std::vector<std::array<FieldValue, 5>> step_table;
    std::int16_t step_index = 0;
    std::int16_t step_seconds = 0;
    std::int16_t step_seconds_left = 0;
    std::int16_t runs_left = 0;
    bool run_forever = false;
    bool run_finished = false;
    bool program_running = false;
    std::int16_t step_voltage_code = 0;
    std::int16_t step_current_code = 0;
    // The "database error" box has been shown in this run.
    bool step_error_shown = false;
    // Each copied row's condition; the step's display seconds and valid read seconds; why
    // the last step and run ended; the armed profile, its run and the user's limits before.
    std::vector<StepCondition> step_conditions;
    int step_elapsed = 0;
    int step_fresh_readings = 0;
    bool step_open = false;
    std::string last_step_end;
    std::string last_run_end;
    std::optional<ProfilePlan> armed_profile;
    bool profile_run = false;
    OutputLimits limits_before_profile;

    // chart/: live chart
    std::array<double, 3> voltage_history{};
    std::array<double, 3> current_history{};
    std::int16_t chart_sample_index = 0;

    // layout/: screen-resolution layout
    float screen_scale_x = 0;
    float screen_scale_y = 0;
    float last_scale_x = 0;
    float last_scale_y = 0;

    // app/: shutdown. The user chose to leave the output on when the window goes.
    bool leave_output_on = false;
    bool close_question_up = false;

    // record/: where the running period's journal is, empty when none could be opened;
    // whether it still takes the log's lines.
    std::string journal_folder;
    bool journal_writing = false;
    bool journal_warning_shown = false;

    // link/: whether the reading is a measurement. reply_fresh: the latest read second on
    // the port in use brought a valid reply. read_seconds_seen: a read second has come on
    // some port since the start, so a silence can be told.
    bool reply_fresh = false;
    bool read_seconds_seen = false;
    bool silence_told = false; // the timeline has heard that the supply is not answering
    bool link_lost_told = false;
    double last_answer_seconds = 0; // steady clock, the latest valid reply

    // limits/: the limits in force, and the readings above the voltage limit in a row.
    OutputLimits output_limits;
    int over_voltage_readings = 0;
    // Who acts: remote control sets this while it carries out a client's command, so that
    // the timeline names it; the sources of the front panel's last entries.
    bool remote_acting = false;
    std::string voltage_source = "typed";
    std::string current_source = "typed";

    // record/: the running period's timeline, what ended it, its silences.
    std::vector<PeriodEvent> period_events;
    bool period_running = false;
    OffCause off_cause = OffCause::Button;
    // What ended the latest period, kept after it ended: remote control's protection
    // latch (a client's OUTP:PROT:CLE sets it back to the button).
    OffCause last_off_cause = OffCause::Button;
    std::string off_reason; // the limit's reason, for the note line and the box
    SilenceSpans silence_spans;
    std::string last_record_path; // the record saved last
    std::string last_line_time;   // the time of day of the record line logged last
    int pass_number = 0;          // of the running program, from 1
    std::int16_t told_voltage_code = -1;
    std::int16_t told_current_code = -1;
    bool told_over_current = false;

    // meter/: the running or last output period.
    PeriodMeter period_meter;
    DateTime period_moment;
    platform::Reading last_reading;

    // The extra windows that listen (history, monitor, ...).
    std::vector<platform::Observer*> observers;
    std::string told_frame; // the command frame they last heard of

private:
    struct Report {
        std::string prompt;
        std::string title;
        std::vector<std::string> buttons;
        int default_button = 0;
        std::function<void(int)> on_answer;
        int count = 1;
    };
    void show_next_report();
    void report_answered(int answer);
    std::deque<Report> reports; // the first is on screen while report_box_up
    bool report_box_up = false;
};

} // namespace kelvo
