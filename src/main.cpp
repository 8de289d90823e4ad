#include "common/QtScheduler.h"
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
#include <malloc.h>

int main(int argc, char* argv[]) {
    // Before any thread exists, the allocator is told to keep resident memory
    // flat over days:
    // - Two arenas: the engine's many threads (demuxer, decoder, renderer,
    //   event loop, the rebuilt engines' new ones) would otherwise each get an
    //   arena of their own, which keeps what it freed.
    // - A fixed threshold for mapping large blocks: by default it rises to the
    //   largest block freed so far, so after the first reload the picture
    //   buffers (a megabyte and more each) come from the arenas instead, and
    //   every reconnection left a few megabytes there that were never given
    //   back (a viewer whose camera dropped every half minute grew by 2 to 3 MiB
    //   a time). Mapped blocks go back to the system as soon as they are freed.
#ifdef M_ARENA_MAX
    mallopt(M_ARENA_MAX, 2);
#endif
#ifdef M_MMAP_THRESHOLD
    mallopt(M_MMAP_THRESHOLD, 256 * 1024);
#endif
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
    QApplication::setOrganizationName(QStringLiteral("didirezoror"));
    QApplication::setApplicationName(QStringLiteral("rure"));
    QApplication::setApplicationDisplayName(QStringLiteral("Rure"));
    QApplication::setDesktopFileName(QStringLiteral("com.didirezoror.rure"));

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
