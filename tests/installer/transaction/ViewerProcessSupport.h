#pragma once

#include <QProcess>
#include <QString>

#include <memory>

namespace rure::test {

// The fake viewer program built for these tests.
QString fakeViewerProgram();

// Writes a bundle at `bundlePath` whose Contents/bin/<executable> is a copy of
// the fake viewer, with `infoJson` as Contents/Info.json (none when null).
// Returns the copied executable's path, empty on failure.
QString writeFakeViewerBundle(const QString& bundlePath, const QString& executable,
                              const QByteArray& infoJson);
QByteArray viewerInfoJson(const QString& identifier = QStringLiteral("com.didirezoror.rure"),
                          const QString& executable = QStringLiteral("rure"));

// One started copy of the fake viewer; killed when the object goes away.
class FakeViewerProcess {
public:
    enum class OnQuitRequest { quit, ignore };

    FakeViewerProcess();
    ~FakeViewerProcess();
    FakeViewerProcess(const FakeViewerProcess&) = delete;
    FakeViewerProcess& operator=(const FakeViewerProcess&) = delete;

    // Starts `executable` and waits until it has set up its signal handling.
    bool start(const QString& executable, OnQuitRequest onQuitRequest);
    qint64 pid() const;
    // True when the program is alive and answers on its standard input.
    bool answersPing();
    // Waits for the program to end; true when SIGTERM ended it.
    bool endsBySigterm();

private:
    std::unique_ptr<QProcess> process_;
};

// A directory laid out like /proc but listing only the given processes: each
// entry is a link to the real /proc/<pid>, so it goes stale when the process
// ends, while processes of other tests stay out of sight.
class FakeProcessRoot {
public:
    explicit FakeProcessRoot(const QString& path);
    bool add(qint64 pid);
    // An entry that is not a process id, or a process id that no process has.
    bool addDirectory(const QString& name);
    bool addLink(const QString& name, const QString& target);
    const QString& path() const { return path_; }

private:
    QString path_;
};

} // namespace rure::test
