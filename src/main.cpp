#include "common/CommandLine.h"
#include "common/PrivateArguments.h"
#include "common/ProcessMemory.h"
#include "common/QtScheduler.h"
#include "common/RureLog.h"
#include "common/ViewerIdentity.h"
#include "config/CameraConfigurationStore.h"
#include "engine/MPVEngineFactory.h"
#include "engine/VideoViewChoice.h"
#include "platform/SingleInstance.h"
#include "platform/UnixSignalQuitter.h"
#include "updates/InstalledIdentity.h"
#include "updates/RureUpdateService.h"
#include "viewer/AppDelegate.h"

#include <QApplication>
#include <QSettings>
#include <QTimer>

#include <clocale>
#include <csignal>
#include <cstdio>

namespace {

rure::ProgramDescription viewerDescription() {
    const rure::InstalledIdentity identity = rure::InstalledIdentity::compiledIn();
    return {
        .executable = QStringLiteral("rure"),
        .name = QStringLiteral("Rure"),
        .version = QStringLiteral("%1 (build %2)")
                       .arg(identity.version.value_or(QStringLiteral("unknown")),
                            identity.build.value_or(QStringLiteral("unknown"))),
        .summary = QStringLiteral("Shows the live picture of one RTSP camera at a time."),
        .environment = QStringLiteral(
            "  RURE_LOG_LEVEL=debug      log debug messages on standard error as well\n"
            "  RURE_VIDEO_VIEW=<view>    draw the picture with opengl, software or image\n"
            "  RURE_UPDATE_SERVER=<url>  look for updates at another HTTPS server\n"
            "  QT_QPA_PLATFORM=<name>    Qt's platform; under Wayland Rure uses xcb unless set"),
        .uses = QStringLiteral(
            "  rure                   start the viewer, or bring the running one to the front\n"
            "  rure rtsp://ADDRESS    show the camera at that address (rtsps:// as well): the\n"
            "                         camera of the list with exactly that address, or else\n"
            "                         the camera editor with the address in a new row, to be\n"
            "                         named and saved; rtsp:// links open in Rure the same way\n"
            "  Ctrl+S                 save a snapshot of the picture at the camera's own size,\n"
            "                         as a PNG file in the Rure folder of your pictures folder\n"
            "  Rure > Start at Login  start the viewer whenever you log in"),
        .addressSchemes = {QStringLiteral("rtsp"), QStringLiteral("rtsps")},
    };
}

} // namespace

int main(int argc, char* argv[]) {
    // First of all: a camera address on the command line may carry a password,
    // and every user of the machine can read the command line. It is taken out
    // of it, and the arguments are read from this copy from now on.
    rure::PrivateArguments arguments(argc, argv);
    // --help and --version need no display.
    const rure::CommandLineAnswer commandLine =
        rure::answerCommandLine(arguments.argc(), arguments.argv(), viewerDescription());
    if (!commandLine.run) {
        return commandLine.exitStatus;
    }
    // Before any thread exists.
    rure::keepResidentMemoryFlat();
    // A client cannot place itself or stay on top under Wayland; run through
    // XWayland unless the user chose a platform.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM") &&
        qEnvironmentVariableIsSet("WAYLAND_DISPLAY") && qEnvironmentVariableIsSet("DISPLAY")) {
        qputenv("QT_QPA_PLATFORM", "xcb");
    }
    // Shared GL contexts only for a view that may draw with OpenGL: asking
    // for them loads the OpenGL driver as the application starts.
    if (rure::mayPresentWithOpenGLWidget()) {
        QApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    }
    QApplication application(arguments.argc(), arguments.argv());
    // libmpv refuses to start under any numeric locale but "C".
    std::setlocale(LC_NUMERIC, "C");
    rure::nameViewerApplication();

    // One running viewer per user: a later launch brings that viewer's window
    // to the front, or hands it the address to open, and ends.
    const rure::LaunchRequest request =
        commandLine.address.isEmpty()
            ? rure::LaunchRequest{}
            : rure::LaunchRequest{rure::LaunchRequest::Kind::openAddress, commandLine.address};
    rure::SingleInstance instance(rure::SingleInstance::defaultSocketPath());
    const auto claimed = instance.claim(request);
    if (claimed.ok() && claimed.value() == rure::SingleInstance::Role::handedOver) {
        rure::RureLog::lifecycle().notice(
            request.kind == rure::LaunchRequest::Kind::openAddress
                ? QStringLiteral("Rure is already running; the address was handed to it.")
                : QStringLiteral("Rure is already running; its window was brought to the front."));
        return 0;
    }
    if (!claimed.ok()) {
        if (claimed.error().code != static_cast<int>(rure::SingleInstance::Failure::cannotListen)) {
            std::fprintf(stderr, "rure: %s\n", qPrintable(claimed.error().description));
            return 1;
        }
        // The viewer still works; later launches open windows of their own.
        rure::RureLog::lifecycle().error(claimed.error().description);
    }

    rure::UnixSignalQuitter quitter({SIGTERM, SIGINT});

    QSettings settings;
    rure::QtScheduler scheduler;
    rure::MPVEngineFactory engineFactory;
    // RURE_UPDATE_SERVER points update checks at another server (a local test
    // server); the manifest path stays the same. It must be an HTTPS address,
    // or plain HTTP on the loopback; checks against any other address fail
    // with the invalid-address error.
    std::optional<QUrl> updateServer;
    if (qEnvironmentVariableIsSet("RURE_UPDATE_SERVER")) {
        updateServer = QUrl(qEnvironmentVariable("RURE_UPDATE_SERVER"));
    }
    const rure::RureUpdateService updateService(updateServer);
    rure::AppDelegateServices services{.store = &rure::CameraConfigurationStore::shared(),
                                       .settings = &settings,
                                       .scheduler = &scheduler,
                                       .engineFactory = &engineFactory,
                                       .presentPlaybackError = {},
                                       .sleepWakeBus = QDBusConnection::systemBus(),
                                       .observeNetworkPath = true,
#ifdef RURE_UPDATES_BY_PACKAGE_MANAGER
                                       .updateService = nullptr,
#else
                                       .updateService = &updateService,
#endif
                                       .updatePresenters = {}};
    rure::AppDelegate delegate(std::move(services));
    instance.requestReceived = [&delegate](const rure::LaunchRequest& later) {
        delegate.handleLaunchRequest(later);
    };

    QObject::connect(&application, &QCoreApplication::aboutToQuit, &delegate,
                     &rure::AppDelegate::applicationWillTerminate);
    QTimer::singleShot(0, &delegate, [&delegate, request] {
        delegate.applicationDidFinishLaunching();
        // This launch's own address, once the window and the last camera are under way.
        if (request.kind == rure::LaunchRequest::Kind::openAddress) {
            delegate.handleLaunchRequest(request);
        }
    });
    return application.exec();
}
