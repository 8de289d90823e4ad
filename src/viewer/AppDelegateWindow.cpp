// The viewer window: building it and its parts, remembering its frame, and
// closing it.
#include "AppDelegate.h"

#include "common/VisibleName.h"
#include "engine/VideoView.h"
#include "platform/UserActivation.h"
#include "viewer/CameraSelection.h"
#include "viewer/ViewerWindowSide.h"
#include "window/CamerasMenu.h"
#include "window/DraggableContentView.h"
#include "window/WindowFrameText.h"

#include <QGuiApplication>
#include <QShortcut>
#include <QWindow>

namespace rure {

ViewerWindowSide& AppDelegate::side() const {
    Q_ASSERT(windowSide_);
    return *windowSide_;
}

void AppDelegate::createWindow() {
    Q_ASSERT(!windowSide_);
    const std::optional<QString> savedFrame = viewerSettings_.windowFrame();
    // Every callback of the window side reaches this controller, which owns
    // the window side: none outlives it.
    windowSide_ = std::make_unique<ViewerWindowSide>(
        *services_.scheduler, preferredVideoPresentation(),
        [this](const QRect& frame) { viewerSettings_.setWindowFrame(windowFrameText(frame)); },
        FocusAreaHooks{
            .setEngineProperty =
                [this](const QString& name, const QString& value) {
                    supervisor_->setEngineProperty(name, value);
                },
            .animateWindowFrame =
                [this](const QRect& frame) { side().frame().setWindowFrameAnimated(frame); },
            .showError = [this](const QString& message) { showPlaybackError(message); },
            .stateChanged =
                [this] {
                    side().overlay().setFocusButtonState(side().focusArea().focusButtonState());
                    side().overlay().setSelectingFocusArea(
                        side().focusArea().isSelectingFocusArea());
                    refreshMenu();
                    supervisor_->reconsiderStream();
                },
        });
    ViewerWindow& window = side().window();
    ViewerOverlay& overlay = side().overlay();
    connect(&window, &ViewerWindow::didMove, this, [this] { side().frame().saveWindowFrame(); });
    connect(&window, &ViewerWindow::didResize, this, &AppDelegate::windowDidResize);
    connect(&window, &ViewerWindow::willClose, this, &AppDelegate::windowWillClose);
    connect(&window, &ViewerWindow::pointerLeft, &overlay,
            [&overlay] { overlay.hoverChanged(false); });
    connect(&window, &ViewerWindow::windowStateChanged, this, [this] {
        refreshMenu();
        side().focusArea().fullScreenChanged(side().window().isFullScreen());
        supervisor_->reconsiderStream();
    });
    connect(&window, &ViewerWindow::tabPressed, &overlay, &ViewerOverlay::focusControls);
    installCameraKeys();
    supervisor_->attachView(side().picture());

    DraggableContentView& surface = side().pointerSurface();
    connect(&surface, &DraggableContentView::hoverChanged, &overlay, &ViewerOverlay::hoverChanged);
    connect(&surface, &DraggableContentView::secondaryClick, this, &AppDelegate::secondaryClick);
    connect(&surface, &DraggableContentView::primaryDoubleClick, this,
            &AppDelegate::toggleFullScreen);
    connect(&surface, &DraggableContentView::focusSelectionCompleted, this,
            &AppDelegate::focusSelectionCompleted);
    connect(&surface, &DraggableContentView::focusSelectionCancelled, this,
            [this] { side().focusArea().focusSelectionCancelled(); });
    window.edgeResizeSuppressed = [&surface] {
        return surface.isSelectingFocusArea() || surface.isFinalizingFocusSelection();
    };

    connect(&overlay, &ViewerOverlay::cameraChosen, this, &AppDelegate::selectCamera);
    connect(&overlay, &ViewerOverlay::menuButtonPressed, this,
            &AppDelegate::showMainMenuFromButton);
    connect(&overlay, &ViewerOverlay::stayOnTopToggled, this, [this] { toggleStayOnTop(); });
    connect(&overlay, &ViewerOverlay::focusButtonPressed, this, &AppDelegate::toggleFocusArea);
    connect(&overlay, &ViewerOverlay::closeButtonPressed, &window, &QWidget::close);
    showPlaybackStatus(supervisor_->statusText());

    connect(qApp, &QGuiApplication::applicationStateChanged, this,
            [this](Qt::ApplicationState state) {
                if (state != Qt::ApplicationActive) {
                    applicationDidResignActive();
                }
            });
    const bool staysOnTop = viewerSettings_.staysOnTop();
    overlay.setStaysOnTop(staysOnTop);
    window.setStaysOnTop(staysOnTop);

    overlay.showCameras(selection_.names(), selection_.selectedIndex());
    // The title, the picker and the Cameras menu name the selected camera,
    // whatever changes it.
    const auto showSelectedCamera = [this] {
        const Camera* camera = selection_.selectedCamera();
        side().overlay().showSelectedCamera(selection_.selectedIndex());
        side().window().showCameraName(camera ? visibleName(camera->name) : QString());
        if (CamerasMenu* cameras = side().camerasMenu()) {
            cameras->showCameras(selection_.names(), selection_.selectedIndex());
        }
        refreshMenu();
    };
    selection_.setChangeHandler(showSelectedCamera);

    if (!savedFrame || !window.restoreFrame(*savedFrame)) {
        window.centreOnScreen();
    }
    overlay.layOut();
    installMainMenu();
    showSelectedCamera();

    window.show();
    window.raise();
    window.activateWindow();
}

ViewerWindow* AppDelegate::viewerWindow() const {
    return windowSide_ ? &windowSide_->window() : nullptr;
}

const ViewerOverlay& AppDelegate::overlay() const {
    return side().overlay();
}

const WindowFrameController& AppDelegate::windowFrame() const {
    return side().frame();
}

void AppDelegate::windowDidResize() {
    side().overlay().layOut();
    side().frame().saveWindowFrame();
    supervisor_->reconsiderStream();
}

StreamNeeds AppDelegate::streamNeeds() const {
    if (!windowSide_) {
        return {.shownArea = {}, .mainRequired = true};
    }
    const QWidget& picture = *side().picture().widget;
    const FocusAreaController& focusArea = side().focusArea();
    const qreal ratio = picture.devicePixelRatioF();
    return {.shownArea = QSize(qRound(picture.width() * ratio), qRound(picture.height() * ratio)),
            .mainRequired = side().window().isFullScreen() ||
                            side().frame().isTemporarilyMaximized() ||
                            focusArea.focusCrop().has_value() || focusArea.isSelectingFocusArea() ||
                            snapshots_->isWaitingForWholePicture()};
}

void AppDelegate::installCameraKeys() {
    // Ctrl+1 ... Ctrl+9 choose the first nine cameras; Page Up and Page Down
    // the previous and the next, round the list. Keys for a camera the list
    // does not have do nothing.
    const auto bind = [this](const QKeySequence& keys, std::function<qsizetype()> target) {
        auto* shortcut = new QShortcut(keys, &side().window());
        connect(shortcut, &QShortcut::activated, this, [this, target = std::move(target)] {
            const qsizetype index = target();
            if (index >= 0 && index < selection_.cameras().size()) {
                selectCamera(index);
            }
        });
    };
    for (int number = 1; number <= 9; ++number) {
        bind(QKeySequence(Qt::CTRL | static_cast<Qt::Key>(Qt::Key_0 + number)),
             [number] { return qsizetype{number - 1}; });
    }
    const auto step = [this](qsizetype by) {
        const qsizetype count = selection_.cameras().size();
        return count == 0 ? qsizetype{-1} : (selection_.selectedIndex() + by + count) % count;
    };
    bind(QKeySequence(Qt::Key_PageDown), [step] { return step(1); });
    bind(QKeySequence(Qt::Key_PageUp), [step] { return step(-1); });
}

void AppDelegate::toggleFullScreen() {
    if (!isClosingViewer()) {
        side().window().toggleFullScreen();
    }
}

void AppDelegate::bringViewerToFront() {
    if (!windowSide_ || isClosingViewer()) {
        return;
    }
    ViewerWindow& window = side().window();
    window.bringToFront();
    if (QWindow* handle = window.windowHandle()) {
        activateOnUserRequest(*handle);
    }
}

void AppDelegate::windowWillClose() {
    if (lifecycle_ == Lifecycle::running) {
        lifecycle_ = Lifecycle::closing;
    }
    snapshots_->viewerWillClose();
    side().focusArea().viewerWillClose();
    side().overlay().viewerWillClose();
    supervisor_->viewerWillClose();
}

} // namespace rure
