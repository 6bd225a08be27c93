// The program: the Qt window, Form1 on its controls, and the event loop.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/form1.h"
#include "link/port_option.h"
#include "main/command_line.h"
#include "main/export_command.h"
#include "qt/application.h"
#include "qt/tools/tools.h"
#include "qt/window/form.h"

#include <QApplication>
#include <QGuiApplication>
#include <QMessageBox>
#include <QSocketNotifier>

#include <csignal>
#include <exception>
#include <fcntl.h>
#include <iostream>
#include <memory>
#include <optional>
#include <unistd.h>

namespace {

// A signal handler may only write to a descriptor: the event loop hears it at the other
// end of this pipe. The one piece of state outside the window model, as signals need.
int signal_pipe[2] = {-1, -1};

void signal_arrived(int) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t ignored = ::write(signal_pipe[1], &byte, 1);
}

// kill, logout, a closed terminal: the output goes off and the record is saved as on any
// other way out, instead of the process vanishing with "O" as the last frame on the wire.
void end_on_signals() {
    if (::pipe2(signal_pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        return;
    }
    struct sigaction action {};
    action.sa_handler = signal_arrived;
    sigemptyset(&action.sa_mask);
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        ::sigaction(signal, &action, nullptr);
    }
}

// Qt's own event loop wakes at about four fifths of the cost of the GLib one, and
// nothing here needs GLib's loop.
void prefer_qt_event_loop() {
    if (!qEnvironmentVariableIsSet("QT_NO_GLIB")) {
        qputenv("QT_NO_GLIB", "1");
    }
}

// Closing the window asks the logic first; once the logic is gone nothing holds it open.
void ask_before_closing(kelvo::qt::QtForm& form, std::unique_ptr<kelvo::Form1>& logic) {
    form.main_window().on_close = [&logic] {
        if (!logic) {
            return true;
        }
        if (!logic->Form_QueryUnload()) {
            return false;
        }
        logic->Form_Unload();
        return true;
    };
}

// False, with the window and the logic gone and the reason told, if the program cannot
// start.
bool load(std::unique_ptr<kelvo::qt::QtForm>& form, std::unique_ptr<kelvo::Form1>& logic) {
    try {
        logic->Form_Load();
    } catch (const std::exception& error) {
        // Nothing half-built stays on screen and no timer ticks into a broken window.
        form->main_window().on_close = nullptr;
        logic.reset();
        form.reset();
        std::cerr << kelvo::texts::fill(kelvo::texts::kCannotStartLine.en, {error.what()}) << '\n';
        // Nobody could see or answer a box on the offscreen platform.
        if (QGuiApplication::platformName() != QStringLiteral("offscreen")) {
            QMessageBox::critical(nullptr, kelvo::qt::qtext(kelvo::texts::kProductName),
                                  kelvo::qt::qtext(kelvo::texts::kCannotStart)
                                      .arg(QString::fromStdString(error.what())));
        }
        return false;
    }
    // What the start left alone and why (journals that are not the program's), for the
    // terminal too.
    for (const std::string& note : logic->startup_notes) {
        std::cerr << note << '\n';
    }
    return true;
}

// A signal heard through the pipe ends the program as closing the window would, but
// without asking.
void quit_on_signal(QSocketNotifier& notifier, std::unique_ptr<kelvo::qt::QtForm>& form,
                    std::unique_ptr<kelvo::Form1>& logic) {
    QObject::connect(&notifier, &QSocketNotifier::activated, [&form, &logic] {
        char byte = 0;
        while (::read(signal_pipe[0], &byte, 1) > 0) {
        }
        form->main_window().on_close = nullptr;
        if (logic) {
            logic->Form_Unload();
        }
        QApplication::quit();
    });
}

// The limits given on the command line over those of the file, for this run only (the file
// is not written). False, with the reason told, when they cannot be put in force: the user
// asked to be guarded, so the program does not run unguarded.
bool apply_given_limits(kelvo::Form1& logic, const kelvo::OutputLimits& given) {
    if (!given.any()) {
        return true;
    }
    std::string why;
    if (!logic.set_limits(kelvo::qt::with_given_limits(logic.output_limits, given), "command line",
                          why)) {
        std::cerr << kelvo::texts::fill(kelvo::texts::kCannotStartLine.en, {why}) << '\n';
        return false;
    }
    return true;
}

void pin_port(kelvo::qt::QtForm& form, kelvo::Form1& logic, const kelvo::PortOption& option) {
    logic.pin_port(option.device.empty() ? option.number
                                         : form.MSComm1.place_device(option.device));
}

// Remote control where the command line says, announced on loopback too when it asks.
void start_remote_control(QWidget& main_window, const kelvo::qt::CommandLine& line) {
    if (line.announce) {
        kelvo::tools::announce_remote(&main_window);
    }
    if (line.remote) {
        kelvo::tools::start_remote(&main_window, *line.remote);
    }
}

// The help, the version, a wrong option and the exports: what ends before any window.
std::optional<int> run_without_window(const kelvo::qt::CommandLine& line) {
    if (line.exit_code) {
        return line.exit_code;
    }
    if (line.export_csv) {
        return kelvo::history::export_csv_command(*line.export_csv, std::cerr);
    }
    if (line.export_events) {
        return kelvo::history::export_events_command(*line.export_events, std::cout, std::cerr);
    }
    if (line.report) {
        return kelvo::history::report_command(*line.report, std::cout, std::cerr);
    }
    return std::nullopt;
}

} // namespace

int main(int argc, char** argv) {
    // Read before any window exists: the help, the version, a wrong option and the exports
    // need no display.
    const kelvo::qt::CommandLine line =
        kelvo::qt::read_command_line(argc, argv, std::cout, std::cerr);
    if (const std::optional<int> code = run_without_window(line)) {
        return *code;
    }
    prefer_qt_event_loop();
    QApplication application(argc, argv);
    kelvo::qt::prepare_application();

    auto form =
        std::make_unique<kelvo::qt::QtForm>(QCoreApplication::applicationDirPath().toStdString());
    auto logic = std::make_unique<kelvo::Form1>(form->controls());
    ask_before_closing(*form, logic);
    if (!load(form, logic)) {
        return 1;
    }
    // The grid's condition headings follow the window's language.
    logic->watch(&form->DataGrid1);
    form->DataGrid1.language_changed(logic->english_mode);
    if (!apply_given_limits(*logic, line.output_limits)) {
        form->main_window().on_close = nullptr;
        logic->Form_Unload();
        logic.reset();
        form.reset();
        return 1;
    }
    if (line.port) {
        pin_port(*form, *logic, *line.port);
    }

    end_on_signals();
    QSocketNotifier signal_notifier(signal_pipe[0], QSocketNotifier::Read);
    quit_on_signal(signal_notifier, form, logic);

    kelvo::tools::add_tools({form->main_window().strip(), &form->main_window(), *logic});
    start_remote_control(form->main_window(), line);
    form->show();
    const int code = QApplication::exec();
    form->main_window().on_close = nullptr;
    kelvo::tools::stop_remote(&form->main_window());
    logic.reset();
    form.reset();
    return code;
}
