#pragma once

#include <QProcess>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <optional>
#include <vector>

namespace rure::bench {

// The players compared, each as a user would start it for a live camera.
enum class PlayerKind {
    rure,
    mpvLowLatency, // mpv --profile=low-latency --untimed --cache=no --rtsp-transport=tcp
    mpvX11,        // the same, drawing through X11 without OpenGL (--vo=x11)
    mpvDefault,    // mpv with its default options
    ffplay,        // ffplay -fflags nobuffer -flags low_delay -framedrop -rtsp_transport tcp
    gstPipeline,   // gst-launch-1.0 rtspsrc latency=0 protocols=tcp ! rtph264depay !
                   //   avdec_h264 ! videoconvert ! ximagesink sync=false
    mpvCustom,     // mpv with options given on the command line
};

QString playerLabel(PlayerKind kind);
// The names --players accepts: rure, mpv-low-latency, mpv-x11, mpv, ffplay,
// gst-pipeline, mpv-custom.
QString playerName(PlayerKind kind);
std::optional<PlayerKind> playerKindNamed(const QString& name);
// The players measured unless told otherwise (mpvCustom is not among them).
std::vector<PlayerKind> allPlayerKinds();

// One run of one player, started with its window at `frame` (every player gets
// the same) and its own empty home, so no user configuration takes part. The
// process ends with the object.
class ComparePlayer {
public:
    // `program` is the executable to run; for Rure the viewer binary.
    // `customOptions` are mpvCustom's options.
    ComparePlayer(PlayerKind kind, const QString& program, const QString& cameraUrl,
                  const QRect& frame, const QStringList& customOptions = {});
    ~ComparePlayer();
    ComparePlayer(const ComparePlayer&) = delete;
    ComparePlayer& operator=(const ComparePlayer&) = delete;

    PlayerKind kind() const { return kind_; }
    bool start();
    // Also takes note of an exit that happened since the last call.
    bool isRunning();
    qint64 processId() const { return processId_; }
    // Asks the player to quit, then kills it if it lingers.
    void stop();

    // The program that plays `kind`: Rure's built viewer or mpv, ffplay or
    // gst-launch-1.0 from $PATH; empty when it is not installed.
    static QString programFor(PlayerKind kind, const QString& rureProgram);
    // Prepares what a player keeps from one run to the next on a user's
    // machine (GStreamer's plugin registry), so that no launch pays for it.
    static void warmUp(PlayerKind kind);

private:
    static QString gstreamerRegistry();

    PlayerKind kind_;
    QTemporaryDir home_;
    QProcess process_;
    qint64 processId_ = 0;
};

} // namespace rure::bench
