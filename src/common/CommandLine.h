#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

namespace rure {

// What a program tells about itself on its command line.
struct ProgramDescription {
    QString executable;  // as typed: "rure"
    QString name;        // as shown: "Rure"
    QString version;     // "0.1.0 (build 1)"
    QString summary;     // the lines under the usage line
    QString environment; // the lines of the "Environment:" section; empty: none
};

// What a command line asks for, worked out before the program connects to a
// display: carry on, or end at once with `exitStatus` after writing the texts.
struct CommandLineAnswer {
    bool run = true;
    int exitStatus = 0;
    QByteArray standardOutput;
    QByteArray standardError;
};

// The status of a command line the program cannot read (as in getopt's programs).
inline constexpr int commandLineUsageStatus = 2;

// Reads `arguments` (the program's name left out). -h or --help prints the
// help and -v or --version the version, and the program ends with status 0.
// Qt's own options (-platform xcb, -display :1, -style fusion...) are left for
// Qt to read. Any other option or argument ends the program with a one-line
// error and commandLineUsageStatus.
CommandLineAnswer readCommandLine(const QStringList& arguments, const ProgramDescription& program);

// readCommandLine for main's arguments: writes the texts, and returns the
// status to end with, or nothing when the program carries on. Needs no
// application object.
std::optional<int> answerCommandLine(int argc, char** argv, const ProgramDescription& program);

} // namespace rure
