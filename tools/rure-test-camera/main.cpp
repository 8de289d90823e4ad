// rure-test-camera: a live H.264 or H.265 RTSP camera on 127.0.0.1 for the
// tests and benchmarks of Rure. It prints one address per path and then
// "ready"; it is controlled through lines on standard input and through
// signals, and reports each PLAY request ("play <nanoseconds>"). Its options
// make it behave like one real camera or another.

#include "CameraOptions.h"
#include "CameraServer.h"
#include "CommandReader.h"
#include "PipelineDescription.h"
#include "ZooSchedule.h"

#include <glib-unix.h>
#include <gst/gst.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <string>
#include <unistd.h>
#include <variant>

using rure::camera::CameraOptions;
using rure::camera::CameraServer;
using rure::camera::CommandReader;
using rure::camera::Picture;
using rure::camera::ZooSchedule;

namespace {

void emitLine(const std::string& line) {
    // One write per line: PLAY reports may come from the clients' threads.
    std::fputs((line + '\n').c_str(), stdout);
    std::fflush(stdout);
}

void reportError(const std::string& message) {
    std::fprintf(stderr, "rure-test-camera: %s\n", message.c_str());
    std::fflush(stderr);
}

struct Camera {
    CameraServer& server;
    ZooSchedule& schedule;
    GMainLoop* loop;
};

// The commands that take an argument: "resize 640x360", "jump -2.5".
std::string zooCommand(Camera& camera, const std::string& name, const std::string& argument) {
    if (name == "resize") {
        const auto size = rure::camera::parsePictureSize(argument);
        return size ? camera.schedule.resize(*size)
                    : "resize needs WIDTHxHEIGHT between 16x16 and 7680x4320";
    }
    const auto seconds = rure::camera::parseNumber(argument);
    return seconds ? camera.schedule.jump(*seconds) : "jump needs a number of seconds";
}

// Carries out one control command and confirms it, or reports why not.
void execute(Camera& camera, const std::string& command) {
    const auto space = command.find(' ');
    const std::string name = command.substr(0, space);
    const std::string argument = space == std::string::npos
                                     ? std::string()
                                     : command.substr(command.find_first_not_of(' ', space));
    std::string failure;
    if (name == "resize" || name == "jump") {
        failure = zooCommand(camera, name, argument);
    } else if (command == "still") {
        failure = camera.schedule.still();
    } else if (command == "moving") {
        failure = camera.schedule.moving();
    } else if (command == "stall") {
        camera.server.stall();
    } else if (command == "resume") {
        camera.server.resume();
    } else if (command == "drop") {
        camera.server.dropClients();
    } else if (command == "black" || command == "white") {
        const Picture picture = command == "black" ? Picture::black : Picture::white;
        const auto switchedAt = camera.server.showPicture(picture);
        emitLine("switched " + command + " " + std::to_string(switchedAt));
    } else if (command == "pattern") {
        camera.server.showPicture(Picture::pattern);
    } else if (command == "quit") {
        g_main_loop_quit(camera.loop);
    } else {
        reportError("unknown command: " + command);
        return;
    }
    if (!failure.empty()) {
        reportError(command + ": " + failure);
        return;
    }
    emitLine("ok " + command);
}

std::string trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) {
        return {};
    }
    const auto last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

struct SignalBinding {
    Camera* camera;
    const char* command;
};

gboolean onSignal(gpointer binding) {
    const auto* signalBinding = static_cast<const SignalBinding*>(binding);
    execute(*signalBinding->camera, signalBinding->command);
    return G_SOURCE_CONTINUE;
}

// Checked up front because the RTSP server only builds a pipeline once a
// client asks for it.
std::string missingElement(const CameraOptions& options) {
    for (const std::string& name : rure::camera::requiredElements(options)) {
        GstElementFactory* factory = gst_element_factory_find(name.c_str());
        if (!factory) {
            return name;
        }
        gst_object_unref(factory);
    }
    return {};
}

} // namespace

int main(int argc, char** argv) {
    // With standard input closed, the listening socket could become descriptor
    // 0 and be read as commands.
    if (fcntl(STDIN_FILENO, F_GETFD) == -1 && errno == EBADF) {
        open("/dev/null", O_RDONLY);
    }
    gst_init(&argc, &argv);

    auto parsed = rure::camera::parseCameraOptions(argc, argv);
    if (const auto* failure = std::get_if<rure::camera::OptionsError>(&parsed)) {
        reportError(failure->message + " (see --help)");
        return 2;
    }
    const CameraOptions options = std::get<CameraOptions>(std::move(parsed));

    if (const std::string missing = missingElement(options); !missing.empty()) {
        reportError("the GStreamer element '" + missing + "' is not installed");
        return 1;
    }

    GMainLoop* loop = g_main_loop_new(nullptr, FALSE);
    int status = 0;
    {
        CameraServer server(options);
        if (const std::string error = server.listen(); !error.empty()) {
            reportError(error);
            status = 1;
        } else {
            ZooSchedule schedule(options, server);
            schedule.start();
            Camera camera{server, schedule, loop};
            for (const std::string& url : server.urls()) {
                emitLine(url);
            }
            emitLine("ready");

            CommandReader commands(STDIN_FILENO, [&camera](const std::string& line) {
                const std::string command = trimmed(line);
                if (!command.empty()) {
                    execute(camera, command);
                }
            });

            SignalBinding bindings[] = {
                {&camera, "stall"}, {&camera, "resume"}, {&camera, "drop"},
                {&camera, "quit"},  {&camera, "quit"},
            };
            const int signals[] = {SIGUSR1, SIGUSR2, SIGHUP, SIGTERM, SIGINT};
            guint signalSources[std::size(signals)];
            for (std::size_t i = 0; i < std::size(signals); ++i) {
                signalSources[i] = g_unix_signal_add(signals[i], &onSignal, &bindings[i]);
            }

            g_main_loop_run(loop);

            for (guint source : signalSources) {
                g_source_remove(source);
            }
        }
    }
    g_main_loop_unref(loop);
    gst_deinit();
    return status;
}
