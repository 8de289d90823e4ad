#include "CommandLine.h"

#include <cstdio>

namespace rure {

namespace {

// The options QGuiApplication, QApplication and the X11 platform read for
// themselves, with one dash or two.
const QStringList qtOptionsWithValue{
    QStringLiteral("platform"),
    QStringLiteral("platformpluginpath"),
    QStringLiteral("platformtheme"),
    QStringLiteral("plugin"),
    QStringLiteral("qwindowgeometry"),
    QStringLiteral("qwindowicon"),
    QStringLiteral("qwindowtitle"),
    QStringLiteral("session"),
    QStringLiteral("display"),
    QStringLiteral("geometry"),
    QStringLiteral("name"),
    QStringLiteral("style"),
    QStringLiteral("stylesheet"),
    QStringLiteral("qmljsdebugger"),
};
const QStringList qtFlags{
    QStringLiteral("reverse"), QStringLiteral("widgetcount"), QStringLiteral("nograb"),
    QStringLiteral("dograb"),  QStringLiteral("sync"),
};

QByteArray helpText(const ProgramDescription& program) {
    QString text = QStringLiteral("Usage: %1 [OPTION]...\n%2\n\n"
                                  "Options:\n"
                                  "  -h, --help     show this help and exit\n"
                                  "  -v, --version  show the version and exit\n\n"
                                  "Qt's own options, such as -platform xcb or -display :1, are "
                                  "passed on to Qt.\n")
                       .arg(program.executable, program.summary);
    if (!program.environment.isEmpty()) {
        text += QStringLiteral("\nEnvironment:\n") + program.environment + u'\n';
    }
    return text.toUtf8();
}

CommandLineAnswer usageError(const ProgramDescription& program, const QString& problem) {
    CommandLineAnswer answer;
    answer.run = false;
    answer.exitStatus = commandLineUsageStatus;
    answer.standardError =
        QStringLiteral("%1: %2 (see %1 --help)\n").arg(program.executable, problem).toUtf8();
    return answer;
}

} // namespace

CommandLineAnswer readCommandLine(const QStringList& arguments, const ProgramDescription& program) {
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (argument == QStringLiteral("-h") || argument == QStringLiteral("--help")) {
            return {false, 0, helpText(program), {}};
        }
        if (argument == QStringLiteral("-v") || argument == QStringLiteral("--version")) {
            return {false,
                    0,
                    QStringLiteral("%1 %2\n").arg(program.name, program.version).toUtf8(),
                    {}};
        }
        if (!argument.startsWith(u'-') || argument.size() < 2) {
            return usageError(program, QStringLiteral("unexpected argument '%1'").arg(argument));
        }
        const QString bare = argument.mid(argument.startsWith(QStringLiteral("--")) ? 2 : 1);
        const QString name = bare.section(u'=', 0, 0);
        if (qtFlags.contains(bare)) {
            continue;
        }
        if (qtOptionsWithValue.contains(name)) {
            if (bare.contains(u'=')) {
                continue;
            }
            if (i + 1 >= arguments.size()) {
                return usageError(program,
                                  QStringLiteral("option '%1' needs a value").arg(argument));
            }
            ++i;
            continue;
        }
        return usageError(program, QStringLiteral("unknown option '%1'").arg(argument));
    }
    return {};
}

std::optional<int> answerCommandLine(int argc, char** argv, const ProgramDescription& program) {
    QStringList arguments;
    for (int i = 1; i < argc; ++i) {
        arguments << QString::fromLocal8Bit(argv[i]);
    }
    const CommandLineAnswer answer = readCommandLine(arguments, program);
    if (answer.run) {
        return std::nullopt;
    }
    std::fwrite(answer.standardOutput.constData(), 1,
                static_cast<size_t>(answer.standardOutput.size()), stdout);
    std::fwrite(answer.standardError.constData(), 1,
                static_cast<size_t>(answer.standardError.size()), stderr);
    std::fflush(stdout);
    return answer.exitStatus;
}

} // namespace rure
