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
    const QString operand = program.addressSchemes.isEmpty()
                                ? QString()
                                : QStringLiteral(" [%1://ADDRESS]").arg(program.addressSchemes[0]);
    QString text = QStringLiteral("Usage: %1 [OPTION]...%2\n%3\n\n")
                       .arg(program.executable, operand, program.summary);
    if (!program.uses.isEmpty()) {
        text += QStringLiteral("Uses:\n") + program.uses + QStringLiteral("\n\n");
    }
    text += QStringLiteral("Options:\n"
                           "  -h, --help     show this help and exit\n"
                           "  -v, --version  show the version and exit\n\n"
                           "Qt's own options, such as -platform xcb or -display :1, are "
                           "passed on to Qt.\n");
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

bool looksLikeAddress(const QString& argument) {
    const qsizetype colon = argument.indexOf(u':');
    if (colon < 1 || argument[0].unicode() >= 0x80 || !argument[0].isLetter()) {
        return false;
    }
    for (const QChar character : QStringView(argument).left(colon)) {
        if (!(character.isLetterOrNumber() && character.unicode() < 0x80) && character != u'+' &&
            character != u'-' && character != u'.') {
            return false;
        }
    }
    return true;
}

CommandLineAnswer readCommandLine(const QStringList& arguments, const ProgramDescription& program) {
    QString address;
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
        if (looksLikeAddress(argument)) {
            const QString scheme = argument.section(u':', 0, 0).toLower();
            if (!program.addressSchemes.contains(scheme)) {
                return usageError(
                    program,
                    program.addressSchemes.isEmpty()
                        ? QStringLiteral("unexpected address")
                        : QStringLiteral("unexpected address (only %1 addresses)")
                              .arg(program.addressSchemes.join(QStringLiteral(":// and ")) +
                                   QStringLiteral("://")));
            }
            if (!address.isEmpty()) {
                return usageError(program, QStringLiteral("only one address at a time"));
            }
            // "rtsp://" alone: nothing for the editor to judge.
            QString rest = argument.mid(argument.indexOf(u':') + 1).trimmed();
            while (rest.startsWith(u'/')) {
                rest.remove(0, 1);
            }
            if (rest.isEmpty()) {
                return usageError(program, QStringLiteral("the address names no camera"));
            }
            address = argument;
            continue;
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
    CommandLineAnswer answer;
    answer.address = address;
    return answer;
}

CommandLineAnswer answerCommandLine(int argc, char** argv, const ProgramDescription& program) {
    QStringList arguments;
    for (int i = 1; i < argc; ++i) {
        arguments << QString::fromLocal8Bit(argv[i]);
    }
    CommandLineAnswer answer = readCommandLine(arguments, program);
    if (answer.run) {
        return answer;
    }
    std::fwrite(answer.standardOutput.constData(), 1,
                static_cast<size_t>(answer.standardOutput.size()), stdout);
    std::fwrite(answer.standardError.constData(), 1,
                static_cast<size_t>(answer.standardError.size()), stderr);
    std::fflush(stdout);
    return answer;
}

} // namespace rure
