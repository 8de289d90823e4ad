#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace rure {

// What a program tells about itself on its command line.
struct ProgramDescription {
    QString executable;  // as typed: "rure"
    QString name;        // as shown: "Rure"
    QString version;     // "0.1.0 (build 1)"
    QString summary;     // the lines under the usage line
    QString environment; // the lines of the "Environment:" section; empty: none
    // The lines of the "Uses:" section; empty: none.
    QString uses{};
    // Camera addresses the program takes as its one argument, by scheme in
    // lower case ("rtsp", "rtsps"); none: it takes no argument.
    QStringList addressSchemes{};
};

// What a command line asks for, worked out before the program connects to a
// display: carry on, or end at once with `exitStatus` after writing the texts.
struct CommandLineAnswer {
    bool run = true;
    int exitStatus = 0;
    QByteArray standardOutput;
    QByteArray standardError;
    // The camera address given, as typed; empty without one.
    QString address{};
};

// The status of a command line the program cannot read (as in getopt's programs).
inline constexpr int commandLineUsageStatus = 2;

// Reads `arguments` (the program's name left out). -h or --help prints the
// help and -v or --version the version, and the program ends with status 0.
// Qt's own options (-platform xcb, -display :1, -style fusion...) are left for
// Qt to read. One argument whose scheme (the text before its first colon, in
// any case) is one of the program's address schemes is the address to open;
// whether it is a good address is for the program to say. Any other option or
// argument, or a second address, ends the program with a one-line error and
// commandLineUsageStatus. An argument that looks like an address is never
// repeated in the error: it may hold a password.
CommandLineAnswer readCommandLine(const QStringList& arguments, const ProgramDescription& program);

// Whether `argument` starts with a scheme and a colon, as addresses do
// ("rtsp://...", "file:..."): such an argument may hold a password.
bool looksLikeAddress(const QString& argument);

// readCommandLine for main's arguments: writes the texts and answers with the
// status to end with (`run` false), or with the address to open when the
// program carries on. Needs no application object.
CommandLineAnswer answerCommandLine(int argc, char** argv, const ProgramDescription& program);

} // namespace rure
