#include "ZooCase.h"

namespace rure::bench {

namespace {

// 640 x 360 at 30 frames per second with a key frame every second: the
// encoder of a camera on the same two cores must not crowd out the viewer.
test::TestCameraOptions plainCamera() {
    test::TestCameraOptions options;
    options.width = 640;
    options.height = 360;
    options.fps = 30;
    options.keyframeInterval = 1.0;
    options.secondPath.clear();
    return options;
}

ZooCase steady(const QString& name, const QString& summary, const QStringList& arguments = {}) {
    ZooCase zooCase;
    zooCase.name = name;
    zooCase.summary = summary;
    zooCase.camera = plainCamera();
    zooCase.camera.extraArguments = arguments;
    return zooCase;
}

// A camera that sends every picture for 20 s, then one every `interval`
// seconds for 60 s, over and over: the "smart" codecs that save bandwidth
// while nothing moves.
ZooCase smart(const QString& name, const QString& summary, double interval,
              const QStringList& more = {}) {
    ZooCase zooCase =
        steady(name, summary,
               QStringList{QStringLiteral("--still-interval"), QString::number(interval),
                           QStringLiteral("--smart-schedule"), QStringLiteral("20:60")} +
                   more);
    zooCase.pictureGap = interval;
    zooCase.measuresLatency = false;
    return zooCase;
}

ZooCase off(const QString& name, const QString& summary, ZooCaseKind kind) {
    ZooCase zooCase;
    zooCase.name = name;
    zooCase.summary = summary;
    zooCase.kind = kind;
    zooCase.measuresLatency = false;
    return zooCase;
}

} // namespace

bool ZooCase::isOff() const {
    return kind == ZooCaseKind::refusing || kind == ZooCaseKind::silent ||
           kind == ZooCaseKind::unresolvable;
}

std::vector<ZooCase> zooCases() {
    std::vector<ZooCase> cases;
    cases.push_back(steady(QStringLiteral("baseline"), QStringLiteral("H.264, 30 fps")));
    cases.push_back(steady(QStringLiteral("h265"), QStringLiteral("H.265, 30 fps"),
                           {QStringLiteral("--codec"), QStringLiteral("h265")}));
    cases.push_back(steady(QStringLiteral("audio-aac"), QStringLiteral("H.264 and AAC audio"),
                           {QStringLiteral("--audio"), QStringLiteral("aac")}));
    cases.push_back(steady(QStringLiteral("audio-pcmu"), QStringLiteral("H.264 and G.711 mu-law"),
                           {QStringLiteral("--audio"), QStringLiteral("pcmu")}));
    cases.push_back(smart(QStringLiteral("smart"),
                          QStringLiteral("moving 20 s, then one picture every 5 s for 60 s"), 5));
    cases.push_back(smart(QStringLiteral("smart-8"),
                          QStringLiteral("moving 20 s, then one picture every 8 s for 60 s"), 8));

    ZooCase slow = steady(QStringLiteral("slow-7"), QStringLiteral("one picture every 7 s"));
    slow.camera.fps = 1.0 / 7;
    slow.pictureGap = 7;
    slow.measuresLatency = false;
    cases.push_back(slow);

    cases.push_back(steady(QStringLiteral("resize"),
                           QStringLiteral("640x360 and 1280x720 in turns, switching every 60 s"),
                           {QStringLiteral("--resize-every"), QStringLiteral("60"),
                            QStringLiteral("--resize-to"), QStringLiteral("1280x720")}));
    cases.push_back(steady(QStringLiteral("session-timeout"),
                           QStringLiteral("drops a session after 60 s without a request"),
                           {QStringLiteral("--session-timeout"), QStringLiteral("60")}));
    for (const int seconds : {4, 8}) {
        ZooCase keyframes = steady(QStringLiteral("keyframe-%1").arg(seconds),
                                   QStringLiteral("a key frame every %1 s").arg(seconds));
        keyframes.camera.keyframeInterval = seconds;
        cases.push_back(keyframes);
    }
    cases.push_back(steady(QStringLiteral("clock-jump-ahead"),
                           QStringLiteral("stream clock jumps 10 s ahead every 60 s"),
                           {QStringLiteral("--clock-jump-every"), QStringLiteral("60"),
                            QStringLiteral("--clock-jump-by"), QStringLiteral("10")}));
    cases.push_back(steady(QStringLiteral("clock-jump-back"),
                           QStringLiteral("stream clock jumps 10 s back every 60 s"),
                           {QStringLiteral("--clock-jump-every"), QStringLiteral("60"),
                            QStringLiteral("--clock-jump-by"), QStringLiteral("-10")}));
    cases.push_back(steady(QStringLiteral("clock-drift"),
                           QStringLiteral("stream clock runs 200 ppm fast"),
                           {QStringLiteral("--clock-drift-ppm"), QStringLiteral("200")}));

    ZooCase digest = steady(QStringLiteral("digest"), QStringLiteral("RTSP digest authentication"),
                            {QStringLiteral("--auth"), QStringLiteral("digest")});
    digest.camera.user = QStringLiteral("viewer");
    digest.camera.password = QStringLiteral("zoo-secret");
    cases.push_back(digest);

    cases.push_back(steady(QStringLiteral("slow-answer"),
                           QStringLiteral("waits 2 s before every RTSP answer"),
                           {QStringLiteral("--answer-delay"), QStringLiteral("2")}));

    ZooCase real =
        smart(QStringLiteral("real-camera"),
              QStringLiteral("H.265, AAC, key frame every 4 s, smart (5 s when still)"), 5,
              {QStringLiteral("--codec"), QStringLiteral("h265"), QStringLiteral("--audio"),
               QStringLiteral("aac")});
    real.camera.keyframeInterval = 4;
    cases.push_back(real);

    ZooCase stalls = steady(QStringLiteral("stalls"),
                            QStringLiteral("ten 1.5 s stalls, 25 s apart, connections kept"));
    stalls.kind = ZooCaseKind::stalls;
    cases.push_back(stalls);

    ZooCase reboots = steady(QStringLiteral("quick-reboot"),
                             QStringLiteral("killed and back after 3 s, every 30 s"));
    reboots.kind = ZooCaseKind::quickReboots;
    cases.push_back(reboots);

    cases.push_back(off(QStringLiteral("off-refusing"),
                        QStringLiteral("nothing listens on the port (connections refused)"),
                        ZooCaseKind::refusing));
    cases.push_back(off(QStringLiteral("off-silent"),
                        QStringLiteral("the port accepts connections and never answers"),
                        ZooCaseKind::silent));
    cases.push_back(off(QStringLiteral("off-unresolvable"),
                        QStringLiteral("rtsp://camera.invalid:8554/camera, a name that does not "
                                       "resolve"),
                        ZooCaseKind::unresolvable));
    return cases;
}

std::optional<ZooCase> zooCaseNamed(const QString& name) {
    for (ZooCase& zooCase : zooCases()) {
        if (zooCase.name == name) {
            return std::move(zooCase);
        }
    }
    return std::nullopt;
}

} // namespace rure::bench
