#include "SoakViewer.h"

#include "SoakTimeline.h"

#include "window/ViewerWindow.h"

namespace rure::bench {

SoakViewer::SoakViewer()
    : store_(directory_.path() + QStringLiteral("/store")),
      settings_(directory_.path() + QStringLiteral("/settings.ini"), QSettings::IniFormat) {}

SoakViewer::~SoakViewer() {
    if (delegate_) {
        // What the application does when it quits.
        delegate_->applicationWillTerminate();
        delegate_.reset();
    }
    logind_.reset();
}

std::optional<QString> SoakViewer::launch(const QList<Camera>& cameras) {
    if (!directory_.isValid()) {
        return QStringLiteral("no temporary directory");
    }
    if (!bus_.isRunning()) {
        return QStringLiteral("no private bus: %1").arg(bus_.errorText());
    }
    logind_ = std::make_unique<test::FakeLogind>(bus_.connect());
    if (!logind_->isRegistered()) {
        return QStringLiteral("the stand-in logind could not register on the private bus");
    }
    if (!store_.save(cameras).ok()) {
        return QStringLiteral("the camera list could not be saved");
    }
    delegate_ = std::make_unique<AppDelegate>(AppDelegateServices{
        .store = &store_,
        .settings = &settings_,
        .scheduler = &scheduler_,
        .engineFactory = &engines_,
        // An alert would wait for a click that never comes; the log has the cause.
        .presentPlaybackError =
            [](QWidget*, const QString&) {
                SoakTimeline::progress(QStringLiteral("the viewer raised a playback alert"));
            },
        .sleepWakeBus = bus_.connect(),
        .observeNetworkPath = false,
        .updateService = nullptr,
        .updatePresenters = {}});
    delegate_->applicationDidFinishLaunching();
    return std::nullopt;
}

void SoakViewer::selectCamera(int index) {
    delegate_->selectCamera(index);
}

bool SoakViewer::announceSleep(bool sleeping) {
    return logind_ && logind_->emitPrepareForSleep(sleeping);
}

std::optional<QPoint> SoakViewer::windowCentre() const {
    ViewerWindow* window = delegate_ ? delegate_->viewerWindow() : nullptr;
    if (!window || !window->isVisible()) {
        return std::nullopt;
    }
    return window->mapToGlobal(window->rect().center());
}

bool SoakViewer::presentedFrameWithin(double seconds) const {
    const std::optional<SteadyTime> last =
        delegate_ ? supervisor().lastFrameRenderedAt() : std::nullopt;
    return last && secondsBetween(*last, scheduler_.now()) < seconds;
}

int SoakViewer::standInDescriptors() const {
    return logind_ ? logind_->inhibitCallCount() : 0;
}

} // namespace rure::bench
