// The program: the Qt window, Form1 on its controls, and the event loop.
#include "app/form1.h"
#include "extra/tools.h"
#include "history/export_command.h"
#include "link/port_option.h"
#include "platform/qt/application.h"
#include "platform/qt/form.h"
#include "remote/remote_option.h"

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
#include <string>
#include <string_view>
#include <unistd.h>
#include <vector>

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
        std::cerr << kelvo::texts::fill(kelvo::texts::kCannotStartLine.en, {error.what()})
                  << std::endl;
        // Nobody could see or answer a box on the offscreen platform.
        if (QGuiApplication::platformName() != QStringLiteral("offscreen")) {
            QMessageBox::critical(nullptr, kelvo::qt::qtext(kelvo::texts::kProductName),
                                  kelvo::qt::qtext(kelvo::texts::kCannotStart)
                                      .arg(QString::fromStdString(error.what())));
        }
        return false;
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

// The value of an option ("--port X" or "--port=X"); an empty one when it has none, which the
// parse refuses.
std::optional<std::string> option_argument(int argc, char** argv, std::string_view name) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == name) {
            return i + 1 < argc ? argv[i + 1] : "";
        }
        if (argument.starts_with(name) && argument.substr(name.size()).starts_with('=')) {
            return std::string(argument.substr(name.size() + 1));
        }
    }
    return std::nullopt;
}

// The port the command line names, before anything is built; a bad one ends the program.
bool read_port_option(int argc, char** argv, std::optional<kelvo::PortOption>& option) {
    const std::optional<std::string> value = option_argument(argc, argv, "--port");
    if (!value) {
        return true;
    }
    option = kelvo::parse_port_option(*value);
    if (!option) {
        std::cerr << kelvo::texts::fill(kelvo::texts::kBadPortOption.en, {*value}) << std::endl;
        return false;
    }
    return true;
}

// Where --remote asks remote control to listen; a bad value ends the program.
bool read_remote_option(int argc, char** argv, std::optional<kelvo::remote::RemoteOption>& option) {
    const std::optional<std::string> value = option_argument(argc, argv, "--remote");
    if (!value) {
        return true;
    }
    option = kelvo::remote::parse_remote_option(*value);
    if (!option) {
        std::cerr << kelvo::texts::fill(kelvo::texts::kBadRemoteOption.en, {*value}) << std::endl;
        return false;
    }
    return true;
}

void pin_port(kelvo::qt::QtForm& form, kelvo::Form1& logic, const kelvo::PortOption& option) {
    logic.pin_port(option.device.empty() ? option.number
                                         : form.MSComm1.place_device(option.device));
}

} // namespace

int main(int argc, char** argv) {
    // A record to CSV from the command line: no window, so no display needed.
    if (argc >= 2 && std::string_view(argv[1]) == "--export-csv") {
        return kelvo::history::export_csv_command(std::vector<std::string>(argv + 2, argv + argc),
                                                  std::cerr);
    }
    std::optional<kelvo::PortOption> port;
    std::optional<kelvo::remote::RemoteOption> remote;
    if (!read_port_option(argc, argv, port) || !read_remote_option(argc, argv, remote)) {
        return 2;
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
    if (port) {
        pin_port(*form, *logic, *port);
    }

    end_on_signals();
    QSocketNotifier signal_notifier(signal_pipe[0], QSocketNotifier::Read);
    quit_on_signal(signal_notifier, form, logic);

    kelvo::extra::add_tools({form->main_window().strip(), &form->main_window(), *logic});
    if (remote) {
        kelvo::extra::start_remote(&form->main_window(), *remote);
    }
    form->show();
    const int code = QApplication::exec();
    form->main_window().on_close = nullptr;
    logic.reset();
    form.reset();
    return code;
}
