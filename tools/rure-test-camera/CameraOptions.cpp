#include "CameraOptions.h"

#include <glib.h>

#include <cmath>
#include <memory>

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
    gboolean noSecondPath = FALSE;
    gchar* path = nullptr;
    gchar* secondPath = nullptr;
    gchar* user = nullptr;
    gchar* password = nullptr;

    // GOption keeps pointers to these for the duration of the parse only.
    const GOptionEntry entries[] = {
        {"port", 0, 0, G_OPTION_ARG_INT, &port, "TCP port on 127.0.0.1 (0 = any free port)", "N"},
        {"path", 0, 0, G_OPTION_ARG_STRING, &path, "Path of the colour-bar stream", "/camera"},
        {"second-path", 0, 0, G_OPTION_ARG_STRING, &secondPath, "Path of the solid-colour stream",
         "/camera2"},
        {"no-second-path", 0, 0, G_OPTION_ARG_NONE, &noSecondPath,
         "Serve the colour-bar stream only", nullptr},
        {"width", 0, 0, G_OPTION_ARG_INT, &width, "Picture width", "1280"},
        {"height", 0, 0, G_OPTION_ARG_INT, &height, "Picture height", "720"},
        {"fps", 0, 0, G_OPTION_ARG_DOUBLE, &fps, "Frames per second (0.1 to 240)", "30"},
        {"keyframe-interval", 0, 0, G_OPTION_ARG_DOUBLE, &keyframeInterval,
         "Seconds between key frames", "1.0"},
        {"user", 0, 0, G_OPTION_ARG_STRING, &user, "Require RTSP basic authentication", "NAME"},
        {"password", 0, 0, G_OPTION_ARG_STRING, &password, "Password for --user", "PW"},
        {nullptr, 0, 0, G_OPTION_ARG_NONE, nullptr, nullptr, nullptr},
    };

    GOptionContext* context = g_option_context_new("- live H.264 RTSP test camera");
    g_option_context_add_main_entries(context, entries, nullptr);
    GError* error = nullptr;
    const gboolean parsed = g_option_context_parse(context, &argc, &argv, &error);
    g_option_context_free(context);

    options.path = path ? take(path) : options.path;
    options.secondPath = secondPath ? take(secondPath) : options.secondPath;
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
    if (options.path == options.secondPath) {
        return OptionsError{"--path and --second-path must differ"};
    }
    if (options.user.empty() != options.password.empty()) {
        return OptionsError{"--user and --password must be given together"};
    }

    options.port = port;
    options.width = width;
    options.height = height;
    options.fps = fps;
    options.keyframeInterval = keyframeInterval;
    return options;
}

} // namespace rure::camera
