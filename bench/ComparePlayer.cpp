#include "ComparePlayer.h"

#include "BenchSupport.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

namespace rure::bench {

QString playerLabel(PlayerKind kind) {
    switch (kind) {
    case PlayerKind::rure:
        return QStringLiteral("Rure");
    case PlayerKind::mpvLowLatency:
        return QStringLiteral("mpv low-latency");
    case PlayerKind::mpvX11:
        return QStringLiteral("mpv low-lat. x11");
    case PlayerKind::mpvDefault:
        return QStringLiteral("mpv defaults");
    case PlayerKind::ffplay:
        return QStringLiteral("ffplay nobuffer");
    case PlayerKind::gstPipeline:
        return QStringLiteral("GStreamer pipeline");
    case PlayerKind::mpvCustom:
        return QStringLiteral("mpv custom");
    }
    return {};
}

QString playerName(PlayerKind kind) {
    switch (kind) {
    case PlayerKind::rure:
        return QStringLiteral("rure");
    case PlayerKind::mpvLowLatency:
        return QStringLiteral("mpv-low-latency");
    case PlayerKind::mpvX11:
        return QStringLiteral("mpv-x11");
    case PlayerKind::mpvDefault:
        return QStringLiteral("mpv");
    case PlayerKind::ffplay:
        return QStringLiteral("ffplay");
    case PlayerKind::gstPipeline:
        return QStringLiteral("gst-pipeline");
    case PlayerKind::mpvCustom:
        return QStringLiteral("mpv-custom");
    }
    return {};
}

std::optional<PlayerKind> playerKindNamed(const QString& name) {
    for (PlayerKind kind :
         {PlayerKind::rure, PlayerKind::mpvLowLatency, PlayerKind::mpvX11, PlayerKind::mpvDefault,
          PlayerKind::ffplay, PlayerKind::gstPipeline, PlayerKind::mpvCustom}) {
        if (playerName(kind) == name) {
            return kind;
        }
    }
    return std::nullopt;
}

std::vector<PlayerKind> allPlayerKinds() {
    return {PlayerKind::rure,       PlayerKind::mpvLowLatency, PlayerKind::mpvX11,
            PlayerKind::mpvDefault, PlayerKind::ffplay,        PlayerKind::gstPipeline};
}

QString ComparePlayer::programFor(PlayerKind kind, const QString& rureProgram) {
    switch (kind) {
    case PlayerKind::rure:
        return QFile::exists(rureProgram) ? rureProgram : QString();
    case PlayerKind::mpvLowLatency:
    case PlayerKind::mpvX11:
    case PlayerKind::mpvDefault:
    case PlayerKind::mpvCustom:
        return QStandardPaths::findExecutable(QStringLiteral("mpv"));
    case PlayerKind::ffplay:
        return QStandardPaths::findExecutable(QStringLiteral("ffplay"));
    case PlayerKind::gstPipeline:
        return QStandardPaths::findExecutable(QStringLiteral("gst-launch-1.0"));
    }
    return {};
}

QString ComparePlayer::gstreamerRegistry() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) +
           QStringLiteral("/gstreamer-1.0/rure-bench-registry.bin");
}

void ComparePlayer::warmUp(PlayerKind kind) {
    if (kind != PlayerKind::gstPipeline) {
        return;
    }
    QProcess inspect;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("GST_REGISTRY"), gstreamerRegistry());
    inspect.setProcessEnvironment(environment);
    inspect.setStandardOutputFile(QProcess::nullDevice());
    inspect.setStandardErrorFile(QProcess::nullDevice());
    inspect.start(QStringLiteral("gst-inspect-1.0"), {QStringLiteral("ximagesink")});
    if (!inspect.waitForFinished(60000)) {
        inspect.kill();
        inspect.waitForFinished();
    }
}

ComparePlayer::ComparePlayer(PlayerKind kind, const QString& program, const QString& cameraUrl,
                             const QRect& frame, const QStringList& customOptions)
    : kind_(kind) {
    const QString home = home_.path();
    if (kind == PlayerKind::rure) {
        prepareViewer(process_, home, cameraUrl);
        // The viewer restores its last window frame from its settings.
        const QString settingsDirectory = home + QStringLiteral("/config/didirezoror");
        QDir().mkpath(settingsDirectory);
        QFile settings(settingsDirectory + QStringLiteral("/rure.conf"));
        if (settings.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            settings.write(QStringLiteral("[General]\nmainWindowFrame=%1 %2 %3 %4\n")
                               .arg(frame.x())
                               .arg(frame.y())
                               .arg(frame.width())
                               .arg(frame.height())
                               .toUtf8());
        }
        process_.setProgram(program);
    } else {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("HOME"), home);
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/config"));
        environment.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/data"));
        if (kind == PlayerKind::gstPipeline) {
            // GStreamer keeps a registry of its plugins in the user's cache;
            // without one it reads every plugin first (about half a second).
            // The pipeline shares one the bench warmed up, as a user's would be.
            environment.insert(QStringLiteral("GST_REGISTRY"), gstreamerRegistry());
        }
        process_.setProcessEnvironment(environment);
        process_.setProgram(program);
        QStringList arguments;
        if (kind == PlayerKind::gstPipeline) {
            // The pipeline draws at the camera's size where X puts its window;
            // the trial finds the window by the centre of `frame`, which lies
            // inside it.
            arguments = QStringLiteral("-q rtspsrc location=%1 latency=0 protocols=tcp ! "
                                       "rtph264depay ! avdec_h264 ! videoconvert ! "
                                       "ximagesink sync=false")
                            .arg(cameraUrl)
                            .split(QLatin1Char(' '));
        } else if (kind == PlayerKind::ffplay) {
            arguments << QStringLiteral("-fflags") << QStringLiteral("nobuffer")
                      << QStringLiteral("-flags") << QStringLiteral("low_delay")
                      << QStringLiteral("-framedrop") << QStringLiteral("-rtsp_transport")
                      << QStringLiteral("tcp") << QStringLiteral("-x")
                      << QString::number(frame.width()) << QStringLiteral("-y")
                      << QString::number(frame.height()) << QStringLiteral("-left")
                      << QString::number(frame.x()) << QStringLiteral("-top")
                      << QString::number(frame.y());
        } else {
            if (kind == PlayerKind::mpvLowLatency || kind == PlayerKind::mpvX11) {
                arguments << QStringLiteral("--profile=low-latency") << QStringLiteral("--untimed")
                          << QStringLiteral("--cache=no") << QStringLiteral("--rtsp-transport=tcp");
                if (kind == PlayerKind::mpvX11) {
                    arguments << QStringLiteral("--vo=x11");
                }
            } else if (kind == PlayerKind::mpvCustom) {
                arguments << customOptions;
            }
            arguments << QStringLiteral("--geometry=%1x%2+%3+%4")
                             .arg(frame.width())
                             .arg(frame.height())
                             .arg(frame.x())
                             .arg(frame.y());
        }
        if (kind != PlayerKind::gstPipeline) {
            arguments << cameraUrl;
        }
        process_.setArguments(arguments);
    }
    process_.setStandardInputFile(QProcess::nullDevice());
    process_.setStandardOutputFile(QProcess::nullDevice());
    process_.setStandardErrorFile(QProcess::nullDevice());
}

ComparePlayer::~ComparePlayer() {
    stop();
}

bool ComparePlayer::start() {
    process_.start();
    if (!process_.waitForStarted(10000)) {
        return false;
    }
    processId_ = process_.processId();
    return true;
}

bool ComparePlayer::isRunning() {
    if (process_.state() == QProcess::NotRunning) {
        return false;
    }
    // Without an event loop QProcess learns of the exit only when asked to wait.
    return !process_.waitForFinished(0);
}

void ComparePlayer::stop() {
    if (process_.state() == QProcess::NotRunning) {
        return;
    }
    process_.terminate();
    if (!process_.waitForFinished(5000)) {
        process_.kill();
        process_.waitForFinished(5000);
    }
}

} // namespace rure::bench
