// SPDX-License-Identifier: GPL-3.0-or-later
#include "main/command_line.h"

#include "base/texts.h"
#include "qt/remote/remote_address.h"

#include <QCommandLineParser>
#include <QStringList>

#include <algorithm>
#include <utility>
#include <vector>

namespace kelvo::qt {

namespace {

QString en(const texts::Text& text) {
    return QString::fromUtf8(text.en);
}

// What QGuiApplication and QApplication read from the command line themselves: accepted
// here and left in argv for them.
void add_window_system_options(QCommandLineParser& parser) {
    const auto hidden = [&parser](const char* name, const char* value) {
        QCommandLineOption option(QString::fromLatin1(name));
        if (value != nullptr) {
            option.setValueName(QString::fromLatin1(value));
        }
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    };
    for (const char* name : {"platform", "platformpluginpath", "platformtheme", "plugin",
                             "qwindowgeometry", "qwindowicon", "qwindowtitle", "session", "display",
                             "geometry", "style", "stylesheet", "qmljsdebugger"}) {
        hidden(name, "value");
    }
    for (const char* name : {"reverse", "widgetcount", "nograb", "dograb", "sync"}) {
        hidden(name, nullptr);
    }
}

const texts::Text& limit_option_about(LimitKind kind) {
    static const texts::Text* const about[] = {
        &texts::kOptionMaxVoltage, &texts::kOptionMaxCurrent, &texts::kOptionMaxTime,
        &texts::kOptionMaxCharge,  &texts::kOptionMaxEnergy,  &texts::kOptionOffAfterSilence};
    return *about[static_cast<std::size_t>(kind)];
}

const texts::Text& limit_option_value(LimitKind kind) {
    static const texts::Text* const value[] = {
        &texts::kOptionVoltsValue,  &texts::kOptionAmperesValue, &texts::kOptionSecondsValue,
        &texts::kOptionChargeValue, &texts::kOptionEnergyValue,  &texts::kOptionSecondsValue};
    return *value[static_cast<std::size_t>(kind)];
}

// One option for each limit, named by its key, in the order of kLimitKinds.
std::vector<QCommandLineOption> limit_options() {
    std::vector<QCommandLineOption> options;
    options.reserve(kLimitKinds.size());
    for (const LimitKind kind : kLimitKinds) {
        options.emplace_back(QString::fromLatin1(limit_key(kind)), en(limit_option_about(kind)),
                             en(limit_option_value(kind)));
    }
    return options;
}

struct Options {
    QCommandLineOption help{{"h", "help"}, en(texts::kOptionHelp)};
    QCommandLineOption version{{"v", "version"}, en(texts::kOptionVersion)};
    QCommandLineOption port{"port", en(texts::kOptionPort), en(texts::kOptionPortValue)};
    QCommandLineOption export_csv{"export-csv", en(texts::kOptionExport),
                                  en(texts::kOptionExportValue)};
    QCommandLineOption export_events{"export-events", en(texts::kOptionExportEvents),
                                     en(texts::kOptionExportValue)};
    QCommandLineOption report{"report", en(texts::kOptionReport), en(texts::kOptionExportValue)};
    QCommandLineOption remote{"remote", en(texts::kOptionRemote), en(texts::kOptionRemoteValue)};
    QCommandLineOption announce{"announce", en(texts::kOptionAnnounce)};
    std::vector<QCommandLineOption> limits = limit_options();
};

// A paragraph broken into lines of at most 80 characters, for the terminal.
std::string wrapped(const std::string& text) {
    std::string out;
    std::size_t line_start = 0;
    std::size_t from = 0;
    while (from < text.size()) {
        const std::size_t end = std::min(text.find(' ', from), text.size());
        const std::string word = text.substr(from, end - from);
        if (out.size() > line_start && out.size() - line_start + word.size() > 80) {
            out.back() = '\n';
            line_start = out.size();
        }
        out += word + ' ';
        from = end + 1;
    }
    if (!out.empty()) {
        out.back() = '\n';
    }
    return out;
}

// The help as help2man reads it: usage, what the program does, the options, then ports,
// environment, files and exit status.
std::string help_text(const QCommandLineParser& parser) {
    // Qt's own usage line names the executable as started; the manual page wants its name.
    const QString qt_help = parser.helpText();
    const qsizetype options = qt_help.indexOf(QStringLiteral("Options:"));
    // help2man takes a usage line beginning "  or:" as one more form of the synopsis.
    return "Usage: kelvo [options]\n  or:  kelvo --export-csv RECORD [OUT]\n"
           "  or:  kelvo --export-events RECORD [OUT]\n  or:  kelvo --report RECORD\n\n" +
           wrapped(texts::kCommandLineAbout.en) + "\n" +
           qt_help.mid(options < 0 ? 0 : options).toStdString() + "\n" + texts::kCommandLineMore.en;
}

// A wrong option, told in the one line every complaint of the command line takes.
void tell_wrong(CommandLine& line, std::ostream& errors, const std::string& what) {
    errors << texts::fill(texts::kBadOption.en, {what}) << '\n';
    line.exit_code = 2;
}

// An export takes RECORD as its value and the arguments after it (OUT) with it: the export
// itself tells a wrong number of them, as it does when main() is not in between.
void read_exports(const QCommandLineParser& parser, const Options& o, CommandLine& line,
                  std::ostream& errors) {
    QStringList rest = parser.positionalArguments();
    if (parser.isSet(o.export_csv) && parser.isSet(o.export_events)) {
        tell_wrong(line, errors, texts::kExportsTogether.en);
        return;
    }
    if (parser.isSet(o.report) && (parser.isSet(o.export_csv) || parser.isSet(o.export_events))) {
        tell_wrong(line, errors, texts::kReportWithExport.en);
        return;
    }
    if (parser.isSet(o.report)) {
        line.report = parser.value(o.report).toStdString();
    }
    for (const auto& [option, args] : {std::pair{&o.export_csv, &line.export_csv},
                                       std::pair{&o.export_events, &line.export_events}}) {
        if (parser.isSet(*option)) {
            std::vector<std::string> given{parser.value(*option).toStdString()};
            for (const QString& argument : rest) {
                given.push_back(argument.toStdString());
            }
            *args = given;
            rest.clear();
        }
    }
    if (!rest.isEmpty()) {
        tell_wrong(line, errors,
                   texts::fill(texts::kUnexpectedArgument.en, {rest.front().toStdString()}));
    }
}

// Each limit given goes through the same check as the window's and the file's: a value
// that would not be taken there ends the program here, before anything is switched on.
void read_limits(const QCommandLineParser& parser, const Options& o, CommandLine& line,
                 std::ostream& errors) {
    for (std::size_t i = 0; i < kLimitKinds.size(); ++i) {
        const LimitKind kind = kLimitKinds.at(i);
        if (!parser.isSet(o.limits.at(i))) {
            continue;
        }
        const std::string typed = parser.value(o.limits.at(i)).toStdString();
        const LimitValue value = parse_limit(kind, typed);
        if (!value.value) {
            tell_wrong(line, errors,
                       texts::fill(texts::kBadLimitOption.en,
                                   {limit_key(kind), limit_refusal(kind, value.refusal, typed)}));
            return;
        }
        line.output_limits[kind] = value.value;
    }
}

// Where remote control is to listen: a port, and an address the socket can take (a numeric
// IPv4 or IPv6 address, or "localhost"). A name or a malformed address ends the program
// here rather than leaving it to run without remote control.
void read_remote(const QCommandLineParser& parser, const Options& o, CommandLine& line,
                 std::ostream& errors) {
    const std::string value = parser.value(o.remote).toStdString();
    line.remote = remote::parse_remote_option(value);
    if (!line.remote) {
        tell_wrong(line, errors, texts::fill(texts::kBadRemoteOption.en, {value}));
    } else if (remote_address(QString::fromStdString(line.remote->address)).isNull()) {
        tell_wrong(line, errors,
                   "--remote: " + texts::fill(texts::kRemoteBadAddress.en, {line.remote->address}));
    }
}

// The port and the remote address, when given.
void read_places(const QCommandLineParser& parser, const Options& o, CommandLine& line,
                 std::ostream& errors) {
    if (parser.isSet(o.port)) {
        const std::string value = parser.value(o.port).toStdString();
        line.port = parse_port_option(value);
        if (!line.port) {
            errors << texts::fill(texts::kBadPortOption.en, {value}) << '\n';
            line.exit_code = 2;
            return;
        }
    }
    if (parser.isSet(o.remote)) {
        read_remote(parser, o, line, errors);
    }
    line.announce = parser.isSet(o.announce);
}

// The command line's meaning once it parsed; a wrong value is told and ends the program.
CommandLine understood(const QCommandLineParser& parser, const Options& o, std::ostream& errors) {
    CommandLine line;
    read_exports(parser, o, line, errors);
    if (!line.exit_code) {
        read_places(parser, o, line, errors);
    }
    if (!line.exit_code) {
        read_limits(parser, o, line, errors);
    }
    if (line.exit_code) {
        // A program that ends here takes nothing else with it: no export half-read, no
        // limit without the others.
        CommandLine ended;
        ended.exit_code = line.exit_code;
        return ended;
    }
    return line;
}

} // namespace

OutputLimits with_given_limits(const OutputLimits& in_force, const OutputLimits& given) {
    OutputLimits limits = in_force;
    for (const LimitKind kind : kLimitKinds) {
        if (given[kind]) {
            limits[kind] = given[kind];
        }
    }
    return limits;
}

std::string version_line() {
    return std::string("kelvo ") + KELVO_VERSION;
}

CommandLine read_command_line(int argc, char** argv, std::ostream& out, std::ostream& errors) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i) {
        arguments << QString::fromLocal8Bit(argv[i]);
    }
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const Options o;
    parser.addOptions({o.help, o.version, o.port, o.remote, o.announce});
    parser.addOptions(QList<QCommandLineOption>(o.limits.begin(), o.limits.end()));
    parser.addOptions({o.export_csv, o.export_events, o.report});
    parser.addPositionalArgument(en(texts::kOptionExportOut), en(texts::kOptionExportOutAbout),
                                 QStringLiteral("[OUT]"));
    add_window_system_options(parser);

    CommandLine line;
    if (!parser.parse(arguments)) {
        errors << texts::fill(texts::kBadOption.en, {parser.errorText().toStdString()}) << '\n';
        line.exit_code = 2;
    } else if (parser.isSet(o.help)) {
        out << help_text(parser);
        line.exit_code = 0;
    } else if (parser.isSet(o.version)) {
        out << version_line() << "\n" << texts::kVersionNotice.en;
        line.exit_code = 0;
    } else {
        line = understood(parser, o, errors);
    }
    return line;
}

} // namespace kelvo::qt
