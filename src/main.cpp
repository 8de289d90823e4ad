#include "common/ProcessMemory.h"
#include "common/QtScheduler.h"
#include "common/ViewerIdentity.h"
#include "config/CameraConfigurationStore.h"
#include "engine/MPVEngineFactory.h"
#include "platform/UnixSignalQuitter.h"
#include "updates/RureUpdateService.h"
#include "viewer/AppDelegate.h"

#include <QApplication>
#include <QSettings>
#include <QTimer>

#include <clocale>
#include <csignal>

int main(int argc, char* argv[]) {
    // Before any thread exists.
    rure::keepResidentMemoryFlat();
    // A client cannot place itself or stay on top under Wayland; run through
    // XWayland unless the user chose a platform.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM") &&
        qEnvironmentVariableIsSet("WAYLAND_DISPLAY") && qEnvironmentVariableIsSet("DISPLAY")) {
        qputenv("QT_QPA_PLATFORM", "xcb");
    }
    QApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication application(argc, argv);
    // libmpv refuses to start under any numeric locale but "C".
    std::setlocale(LC_NUMERIC, "C");
    rure::nameViewerApplication();

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
                                       .updateService = &updateService,
                                       .updatePresenters = {}};
    rure::AppDelegate delegate(std::move(services));

    QObject::connect(&application, &QCoreApplication::aboutToQuit, &delegate,
                     &rure::AppDelegate::applicationWillTerminate);
    QTimer::singleShot(0, &delegate, &rure::AppDelegate::applicationDidFinishLaunching);
    return application.exec();
}
