#pragma once

#include "SoakTimeline.h"
#include "ZooViewerLog.h"

#include <QProcess>
#include <QRect>
#include <QString>
#include <QTemporaryDir>

#include <memory>
#include <optional>

namespace rure::bench {

// How one viewer of the zoo is started.
struct ZooViewerSettings {
    QString cameraUrl;
    QRect frame{100, 100, 640, 400}; // the window frame the viewer restores
    QString auditPath;               // empty = no connect audit
    QString logCopyPath;             // empty = the log is not kept
};

// The real viewer binary in a process of its own, with folders of its own (its
// camera list holding the one camera, settings, runtime folder), its update
// checks sent to a closed loopback port, logging at debug level. Its standard
// error goes to a ZooViewerLog; with an audit path the connect audit library
// is preloaded and records every destination and name look-up there. The
// process dies with the zoo and ends with the object.
class ZooViewer {
public:
    explicit ZooViewer(ZooViewerSettings settings);
    ~ZooViewer();
    ZooViewer(const ZooViewer&) = delete;
    ZooViewer& operator=(const ZooViewer&) = delete;

    // An error text when the viewer could not be started.
    std::optional<QString> start();
    SoakClock::time_point startedAt() const { return startedAt_; }
    qint64 processId() const { return processId_; }
    // Also takes note of an exit that happened since the last call.
    bool isRunning();
    // Asks the viewer to quit, then kills it if it lingers.
    void stop();

    const ZooViewerLog& log() const { return *log_; }

private:
    void closeWriteEnd();

    ZooViewerSettings settings_;
    QTemporaryDir home_;
    QProcess process_;
    int writeEnd_ = -1; // of the log pipe, until the viewer has it
    std::unique_ptr<ZooViewerLog> log_;
    SoakClock::time_point startedAt_{};
    qint64 processId_ = 0;
};

} // namespace rure::bench
