#include "CameraOptions.h"

#include <glib.h>

#include <cmath>
#include <limits>
#include <memory>
#include <optional>

namespace rure::camera {

namespace {

struct GFreeDeleter {
    void operator()(gchar* text) const { g_free(text); }
};
using OwnedText = std::unique_ptr<gchar, GFreeDeleter>;

std::string take(gchar* text) {
    OwnedText owned(text);
    return owned ? std::string(owned.get()) : std::string();
}

bool isValidPath(const std::string& path) {
    return path.size() > 1 && path.front() == '/' &&
           path.find_first_of(" \t\r\n?#") == std::string::npos;
}

constexpr const char* commandsHelp =
    "Commands on standard input, each confirmed with \"ok <command>\":\n"
    "  stall            stop sending pictures and sound, keep the connections (SIGUSR1)\n"
    "  resume           send again, starting with a key frame (SIGUSR2)\n"
    "  drop             disconnect every client (SIGHUP)\n"
    "  black, white     show a black or white picture on the first path\n"
    "  pattern          show the colour bars again\n"
    "  still            send one picture every --still-interval seconds\n"
    "  moving           send every picture again\n"
    "  resize WxH       switch the picture size at once\n"
    "  jump D           make the stream clock jump by D seconds\n"
    "  quit             exit (SIGTERM, SIGINT)\n";

constexpr double notGiven = std::numeric_limits<double>::quiet_NaN();

bool given(double value) {
    return !std::isnan(value);
}

bool within(double value, double lowest, double highest) {
    return value >= lowest && value <= highest;
}

// The options that make the camera behave like one real camera or another, as
// GOption hands them over: text, or NaN when absent.
struct ZooArguments {
    gchar* codec = nullptr;
    gchar* audio = nullptr;
    gchar* auth = nullptr;
    gdouble stillInterval = 0;
    gchar* smartSchedule = nullptr;
    gboolean startStill = FALSE;
    gdouble resizeEvery = notGiven;
    gchar* resizeTo = nullptr;
    gint sessionTimeout = 0;
    gdouble answerDelay = 0;
    gdouble clockJumpEvery = notGiven;
    gdouble clockJumpBy = notGiven;
    gdouble clockDriftPpm = 0;

    ZooArguments() = default;
    ZooArguments(const ZooArguments&) = delete;
    ZooArguments& operator=(const ZooArguments&) = delete;
    ~ZooArguments() {
        for (gchar* text : {codec, audio, auth, smartSchedule, resizeTo}) {
            g_free(text);
        }
    }
};

// Checks the zoo options and stores them in `options`; an error for the first
// invalid one.
std::optional<OptionsError> applyZooArguments(const ZooArguments& in, CameraOptions& options) {
    if (in.codec) {
        const auto codec = parseVideoCodec(in.codec);
        if (!codec) {
            return OptionsError{"--codec must be h264 or h265"};
        }
        options.codec = *codec;
    }
    if (in.audio) {
        const auto audio = parseAudioCodec(in.audio);
        if (!audio) {
            return OptionsError{"--audio must be none, aac, pcmu or pcma"};
        }
        options.audio = *audio;
    }
    if (in.auth) {
        const auto auth = parseAuthMethod(in.auth);
        if (!auth) {
            return OptionsError{"--auth must be basic or digest"};
        }
        if (options.user.empty()) {
            return OptionsError{"--auth needs --user and --password"};
        }
        options.auth = *auth;
    }

    if (!(in.stillInterval == 0 || within(in.stillInterval, 0.1, 3600))) {
        return OptionsError{"--still-interval must be 0 or between 0.1 and 3600 seconds"};
    }
    options.stillInterval = in.stillInterval;
    if (in.smartSchedule) {
        options.smartSchedule = parseSmartSchedule(in.smartSchedule);
        if (!options.smartSchedule || options.smartSchedule->movingSeconds > 86400 ||
            options.smartSchedule->stillSeconds > 86400) {
            return OptionsError{"--smart-schedule must be MOVING:STILL, two numbers of seconds "
                                "between 0 and 86400"};
        }
    }
    options.startStill = in.startStill;
    if ((options.smartSchedule || options.startStill) && options.stillInterval == 0) {
        return OptionsError{"--smart-schedule and --start-still need --still-interval"};
    }

    if (given(in.resizeEvery) != (in.resizeTo != nullptr)) {
        return OptionsError{"--resize-every and --resize-to must be given together"};
    }
    if (in.resizeTo) {
        if (!within(in.resizeEvery, 0.1, 86400)) {
            return OptionsError{"--resize-every must be between 0.1 and 86400 seconds"};
        }
        options.resizeEvery = in.resizeEvery;
        options.resizeTo = parsePictureSize(in.resizeTo);
        if (!options.resizeTo) {
            return OptionsError{"--resize-to must be WIDTHxHEIGHT between 16x16 and 7680x4320"};
        }
    }

    if (in.sessionTimeout < 0 || in.sessionTimeout > 3600) {
        return OptionsError{"--session-timeout must be between 0 and 3600 seconds"};
    }
    options.sessionTimeout = in.sessionTimeout;
    if (!within(in.answerDelay, 0, 30)) {
        return OptionsError{"--answer-delay must be between 0 and 30 seconds"};
    }
    options.answerDelay = in.answerDelay;

    if (given(in.clockJumpEvery) != given(in.clockJumpBy)) {
        return OptionsError{"--clock-jump-every and --clock-jump-by must be given together"};
    }
    if (given(in.clockJumpEvery)) {
        if (!within(in.clockJumpEvery, 0.1, 86400)) {
            return OptionsError{"--clock-jump-every must be between 0.1 and 86400 seconds"};
        }
        if (!within(in.clockJumpBy, -86400, 86400)) {
            return OptionsError{"--clock-jump-by must be between -86400 and 86400 seconds"};
        }
        options.clockJumpEvery = in.clockJumpEvery;
        options.clockJumpBy = in.clockJumpBy;
    }
    if (!within(in.clockDriftPpm, -500000, 500000)) {
        return OptionsError{"--clock-drift-ppm must be between -500000 and 500000"};
    }
    options.clockDriftPpm = in.clockDriftPpm;
    return std::nullopt;
}

} // namespace

int CameraOptions::keyframeDistance() const {
    const long distance = std::lround(fps * keyframeInterval);
    return distance < 1 ? 1 : static_cast<int>(distance);
}

std::variant<CameraOptions, OptionsError> parseCameraOptions(int argc, char** argv) {
    CameraOptions options;
    gint port = options.port;
    gint width = options.width;
    gint height = options.height;
    gdouble fps = options.fps;
    gdouble keyframeInterval = options.keyframeInterval;
    gint motion = options.motion;
    gboolean noSecondPath = FALSE;
    gchar* path = nullptr;
    gchar* secondPath = nullptr;
    gchar* smallPath = nullptr;
    gchar* smallSize = nullptr;
    gboolean noSmallPath = FALSE;
    gchar* user = nullptr;
    gchar* password = nullptr;
    ZooArguments zoo;

    // GOption keeps pointers to these for the duration of the parse only.
    const GOptionEntry entries[] = {
        {"port", 0, 0, G_OPTION_ARG_INT, &port, "TCP port on 127.0.0.1 (0 = any free port)", "N"},
        {"path", 0, 0, G_OPTION_ARG_STRING, &path, "Path of the colour-bar stream", "/camera"},
        {"second-path", 0, 0, G_OPTION_ARG_STRING, &secondPath, "Path of the solid-colour stream",
         "/camera2"},
        {"no-second-path", 0, 0, G_OPTION_ARG_NONE, &noSecondPath,
         "Serve the colour-bar stream only", nullptr},
        {"small-path", 0, 0, G_OPTION_ARG_STRING, &smallPath,
         "Path of the small stream (the colour bars at --small-size)", "/small"},
        {"no-small-path", 0, 0, G_OPTION_ARG_NONE, &noSmallPath, "Serve no small stream", nullptr},
        {"small-size", 0, 0, G_OPTION_ARG_STRING, &smallSize, "Picture size of the small stream",
         "640x360"},
        {"width", 0, 0, G_OPTION_ARG_INT, &width, "Picture width", "1280"},
        {"height", 0, 0, G_OPTION_ARG_INT, &height, "Picture height", "720"},
        {"fps", 0, 0, G_OPTION_ARG_DOUBLE, &fps, "Frames per second (0.1 to 240)", "30"},
        {"motion", 0, 0, G_OPTION_ARG_INT, &motion,
         "Pixels the picture scrolls each frame (0 to 100; 0 = still)", "0"},
        {"keyframe-interval", 0, 0, G_OPTION_ARG_DOUBLE, &keyframeInterval,
         "Seconds between key frames", "1.0"},
        {"user", 0, 0, G_OPTION_ARG_STRING, &user, "Require RTSP authentication", "NAME"},
        {"password", 0, 0, G_OPTION_ARG_STRING, &password, "Password for --user", "PW"},
        {"auth", 0, 0, G_OPTION_ARG_STRING, &zoo.auth,
         "Authentication of --user: basic or digest (default basic)", "METHOD"},
        {"codec", 0, 0, G_OPTION_ARG_STRING, &zoo.codec, "Video codec: h264 or h265 (default h264)",
         "CODEC"},
        {"audio", 0, 0, G_OPTION_ARG_STRING, &zoo.audio,
         "Audio stream beside the video: none, aac, pcmu or pcma (default none)", "CODEC"},
        {"still-interval", 0, 0, G_OPTION_ARG_DOUBLE, &zoo.stillInterval,
         "Seconds between pictures while the camera is still (0 = never still)", "0"},
        {"smart-schedule", 0, 0, G_OPTION_ARG_STRING, &zoo.smartSchedule,
         "Moving for MOVING seconds, then still for STILL seconds, repeating", "MOVING:STILL"},
        {"start-still", 0, 0, G_OPTION_ARG_NONE, &zoo.startStill, "Start still instead of moving",
         nullptr},
        {"resize-every", 0, 0, G_OPTION_ARG_DOUBLE, &zoo.resizeEvery,
         "Seconds between switches to --resize-to and back", "S"},
        {"resize-to", 0, 0, G_OPTION_ARG_STRING, &zoo.resizeTo,
         "The other picture size of --resize-every", "WxH"},
        {"session-timeout", 0, 0, G_OPTION_ARG_INT, &zoo.sessionTimeout,
         "Drop sessions without any RTSP request for this many seconds (0 = never)", "0"},
        {"answer-delay", 0, 0, G_OPTION_ARG_DOUBLE, &zoo.answerDelay,
         "Seconds to wait before each RTSP answer (0 to 30)", "0"},
        {"clock-jump-every", 0, 0, G_OPTION_ARG_DOUBLE, &zoo.clockJumpEvery,
         "Seconds between jumps of the stream clock", "S"},
        {"clock-jump-by", 0, 0, G_OPTION_ARG_DOUBLE, &zoo.clockJumpBy,
         "Seconds the stream clock jumps by, negative for backwards", "D"},
        {"clock-drift-ppm", 0, 0, G_OPTION_ARG_DOUBLE, &zoo.clockDriftPpm,
         "Parts per million the stream clock runs fast (slow when negative)", "0"},
        {nullptr, 0, 0, G_OPTION_ARG_NONE, nullptr, nullptr, nullptr},
    };

    GOptionContext* context = g_option_context_new("- live H.264 or H.265 RTSP test camera");
    g_option_context_add_main_entries(context, entries, nullptr);
    g_option_context_set_description(context, commandsHelp);
    GError* error = nullptr;
    const gboolean parsed = g_option_context_parse(context, &argc, &argv, &error);
    g_option_context_free(context);

    options.path = path ? take(path) : options.path;
    options.secondPath = secondPath ? take(secondPath) : options.secondPath;
    options.smallPath = smallPath ? take(smallPath) : options.smallPath;
    const std::string smallSizeText = take(smallSize);
    options.user = take(user);
    options.password = take(password);

    if (!parsed) {
        OptionsError failure{error ? error->message : "invalid arguments"};
        g_clear_error(&error);
        return failure;
    }
    if (argc > 1) {
        return OptionsError{std::string("unexpected argument: ") + argv[1]};
    }
    if (port < 0 || port > 65535) {
        return OptionsError{"--port must be between 0 and 65535"};
    }
    if (width < 16 || height < 16 || width > 7680 || height > 4320) {
        return OptionsError{"--width and --height must be between 16x16 and 7680x4320"};
    }
    if (!(fps >= 0.1 && fps <= 240)) {
        return OptionsError{"--fps must be between 0.1 and 240"};
    }
    if (motion < 0 || motion > 100) {
        return OptionsError{"--motion must be between 0 and 100 pixels"};
    }
    if (!(keyframeInterval > 0.0) || !std::isfinite(keyframeInterval)) {
        return OptionsError{"--keyframe-interval must be a positive number of seconds"};
    }
    if (noSecondPath) {
        options.secondPath.clear();
    }
    if (!isValidPath(options.path) ||
        (!options.secondPath.empty() && !isValidPath(options.secondPath))) {
        return OptionsError{"paths must start with '/' and contain no spaces, '?' or '#'"};
    }
    if (noSmallPath) {
        options.smallPath.clear();
    }
    if (!options.smallPath.empty() && !isValidPath(options.smallPath)) {
        return OptionsError{"paths must start with '/' and contain no spaces, '?' or '#'"};
    }
    if (options.path == options.secondPath || options.path == options.smallPath ||
        (!options.secondPath.empty() && options.secondPath == options.smallPath)) {
        return OptionsError{"--path, --second-path and --small-path must differ"};
    }
    if (!smallSizeText.empty()) {
        const auto size = parsePictureSize(smallSizeText);
        if (!size) {
            return OptionsError{"--small-size must be WxH, between 16x16 and 7680x4320"};
        }
        options.smallSize = *size;
    }
    if (options.user.empty() != options.password.empty()) {
        return OptionsError{"--user and --password must be given together"};
    }
    if (auto failure = applyZooArguments(zoo, options)) {
        return *failure;
    }

    options.port = port;
    options.width = width;
    options.height = height;
    options.fps = fps;
    options.keyframeInterval = keyframeInterval;
    options.motion = motion;
    return options;
}

} // namespace rure::camera
