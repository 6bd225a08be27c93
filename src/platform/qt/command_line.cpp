// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/qt/command_line.h"

#include "app/texts.h"

#include <QCommandLineParser>
#include <QStringList>

#include <algorithm>

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

struct Options {
    QCommandLineOption help{{"h", "help"}, en(texts::kOptionHelp)};
    QCommandLineOption version{{"v", "version"}, en(texts::kOptionVersion)};
    QCommandLineOption port{"port", en(texts::kOptionPort), en(texts::kOptionPortValue)};
    QCommandLineOption export_csv{"export-csv", en(texts::kOptionExport),
                                  en(texts::kOptionExportValue)};
    QCommandLineOption remote{"remote", en(texts::kOptionRemote), en(texts::kOptionRemoteValue)};
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
    return "Usage: kelvo [options]\n       kelvo --export-csv RECORD [OUT]\n\n" +
           wrapped(texts::kCommandLineAbout.en) + "\n" +
           qt_help.mid(options < 0 ? 0 : options).toStdString() + "\n" + texts::kCommandLineMore.en;
}

// The command line's meaning once it parsed; a wrong value is told and ends the program.
CommandLine understood(const QCommandLineParser& parser, const Options& o, std::ostream& errors) {
    CommandLine line;
    QStringList rest = parser.positionalArguments();
    if (parser.isSet(o.export_csv)) {
        std::vector<std::string> args{parser.value(o.export_csv).toStdString()};
        for (const QString& argument : rest) {
            args.push_back(argument.toStdString());
        }
        line.export_csv = args;
        rest.clear();
    }
    if (!rest.isEmpty()) {
        const std::string argument = rest.front().toStdString();
        errors << texts::fill(texts::kBadOption.en,
                              {texts::fill(texts::kUnexpectedArgument.en, {argument})})
               << '\n';
        line.exit_code = 2;
        return line;
    }
    if (parser.isSet(o.port)) {
        const std::string value = parser.value(o.port).toStdString();
        line.port = parse_port_option(value);
        if (!line.port) {
            errors << texts::fill(texts::kBadPortOption.en, {value}) << '\n';
            line.exit_code = 2;
        }
    }
    if (parser.isSet(o.remote) && !line.exit_code) {
        const std::string value = parser.value(o.remote).toStdString();
        line.remote = remote::parse_remote_option(value);
        if (!line.remote) {
            errors << texts::fill(texts::kBadOption.en,
                                  {texts::fill(texts::kBadRemoteOption.en, {value})})
                   << '\n';
            line.exit_code = 2;
        }
    }
    return line;
}

} // namespace

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
    parser.addOptions({o.help, o.version, o.port, o.remote, o.export_csv});
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
