// The viewer window: building it and its collaborators, laying out its
// views, remembering its frame, and closing it.
#include "AppDelegate.h"

#include "common/VisibleName.h"
#include "engine/VideoView.h"
#include "engine/VideoViewChoice.h"
#include "platform/UserActivation.h"
#include "viewer/CameraSelection.h"
#include "viewer/FocusAreaController.h"
#include "window/CamerasMenu.h"
#include "window/DraggableContentView.h"
#include "window/ViewerOverlay.h"
#include "window/ViewerWindow.h"
#include "window/WindowFrameController.h"
#include "window/WindowFrameText.h"

#include <QGuiApplication>
#include <QShortcut>
#include <QWindow>

namespace rure {

void AppDelegate::createWindow() {
    const std::optional<QString> savedFrame = viewerSettings_.windowFrame();

    window = new ViewerWindow();
    windowFrame_ = std::make_unique<WindowFrameController>(
        *window, *services_.scheduler,
        [this](const QRect& frame) { viewerSettings_.setWindowFrame(windowFrameText(frame)); });
    // The window and everything in it belong to this controller, which
    // deletes them in its destructor: their callbacks never outlive it.
    window->didMove = [this] { windowDidMove(); };
    window->didResize = [this] { windowDidResize(); };
    window->willClose = [this] { windowWillClose(); };
    window->pointerLeft = [this] { hoverChanged(false); };
    window->windowStateChanged = [this] {
        updateFullScreenMenuItem();
        if (focusArea_ && window) {
            focusArea_->fullScreenChanged(window->isFullScreen());
        }
        supervisor_->reconsiderStream();
    };

    installCameraKeys();

    // Back to front: the picture, the pointer surface, then the overlay.
    QWidget* root = window->contentView();
    const CreatedVideoView video = createVideoView(preferredVideoPresentation(), root);
    supervisor_->attachView(video);

    auto* interactionView = new DraggableContentView(root);
    window->setPictureLayers(video.widget, interactionView);
    interactionView->installEventFilter(window);
    interactionView->hoverChanged = [this](bool inside) { hoverChanged(inside); };
    interactionView->viewerControlRects = [this] { return viewerControlRects(); };
    interactionView->secondaryClick = [this] { secondaryClick(); };
    interactionView->primaryDoubleClick = [this] { toggleFullScreen(); };
    interactionView->focusSelectionCompleted = [this](QRectF selection) {
        focusSelectionCompleted(selection);
    };
    interactionView->focusSelectionCancelled = [this] { focusSelectionCancelled(); };
    window->edgeResizeSuppressed = [interactionView] {
        return interactionView->isSelectingFocusArea() ||
               interactionView->isFinalizingFocusSelection();
    };

    createWindowCollaborators();
    connect(qApp, &QGuiApplication::applicationStateChanged, this,
            [this](Qt::ApplicationState state) {
                if (state != Qt::ApplicationActive) {
                    applicationDidResignActive();
                }
            });
    const bool staysOnTop = viewerSettings_.staysOnTop();
    overlay_->setStaysOnTop(staysOnTop);
    window->setStaysOnTop(staysOnTop);

    overlay_->showCameras(selection_.names(), selection_.selectedIndex());
    // The title names the selected camera, whatever changes it.
    const auto showSelectedCameraName = [this] {
        if (window) {
            const Camera* camera = selection_.selectedCamera();
            window->showCameraName(camera ? visibleName(camera->name) : QString());
        }
        if (camerasMenu_) {
            camerasMenu_->showCameras(selection_.names(), selection_.selectedIndex());
        }
    };
    selection_.setChangeHandler(showSelectedCameraName);
    showSelectedCameraName();

    if (!savedFrame || !window->restoreFrame(*savedFrame)) {
        window->centreOnScreen();
    }
    layoutViewerContent();
    installMainMenu();

    window->show();
    window->raise();
    window->activateWindow();
}

void AppDelegate::createWindowCollaborators() {
    overlay_ = std::make_unique<ViewerOverlay>(*window->contentView());
    overlay_->cameraChosen = [this](qsizetype index) { selectCamera(index); };
    overlay_->menuButtonPressed = [this] { showMainMenuFromButton(); };
    overlay_->stayOnTopToggled = [this](bool) { toggleStayOnTop(); };
    overlay_->focusButtonPressed = [this] { toggleFocusArea(); };
    overlay_->closeButtonPressed = [this] { closeCameraViewer(); };
    window->tabPressed = [overlay = overlay_.get()](bool forward) {
        overlay->focusControls(forward);
    };
    showPlaybackStatus(supervisor_->statusText());

    focusArea_ = std::make_unique<FocusAreaController>(
        *window, *window->pointerSurface(),
        FocusAreaHooks{
            .setEngineProperty = [this](const QString& name,
                                        const QString& value) { setMPVProperty(name, value); },
            .animateWindowFrame =
                [this](const QRect& frame) { windowFrame_->setWindowFrameAnimated(frame); },
            .showError = [this](const QString& message) { showPlaybackError(message); },
            .stateChanged =
                [this] {
                    updateFocusButton();
                    overlay_->setSelectingFocusArea(focusArea_->isSelectingFocusArea());
                    supervisor_->reconsiderStream();
                },
        });
}

void AppDelegate::layoutViewerContent() {
    if (!window) {
        return;
    }
    if (overlay_) {
        overlay_->layOut();
    }
}

ViewerWindow* AppDelegate::viewerWindow() const {
    return window;
}

DraggableContentView* AppDelegate::interactionSurface() const {
    return window ? window->pointerSurface() : nullptr;
}

QWidget* AppDelegate::videoWidget() const {
    return window ? window->picture() : nullptr;
}

VideoView* AppDelegate::videoView() const {
    return dynamic_cast<VideoView*>(videoWidget());
}

const ViewerOverlay& AppDelegate::overlay() const {
    Q_ASSERT(overlay_);
    return *overlay_;
}

const WindowFrameController& AppDelegate::windowFrame() const {
    Q_ASSERT(windowFrame_);
    return *windowFrame_;
}

void AppDelegate::windowDidMove() {
    if (windowFrame_) {
        windowFrame_->saveWindowFrame();
    }
}

void AppDelegate::windowDidResize() {
    layoutViewerContent();
    if (windowFrame_) {
        windowFrame_->saveWindowFrame();
    }
    supervisor_->reconsiderStream();
}

StreamNeeds AppDelegate::streamNeeds() const {
    QWidget* picture = videoWidget();
    if (!picture || !windowFrame_ || !focusArea_) {
        return {.shownArea = {}, .mainRequired = true};
    }
    const qreal ratio = picture->devicePixelRatioF();
    return {.shownArea = QSize(qRound(picture->width() * ratio), qRound(picture->height() * ratio)),
            .mainRequired = window->isFullScreen() || windowFrame_->isTemporarilyMaximized() ||
                            focusArea_->focusCrop().has_value() ||
                            focusArea_->isSelectingFocusArea() ||
                            snapshots_->isWaitingForWholePicture()};
}

void AppDelegate::installCameraKeys() {
    // Ctrl+1 ... Ctrl+9 choose the first nine cameras; Page Up and Page Down
    // the previous and the next, round the list. Keys for a camera the list
    // does not have do nothing.
    const auto bind = [this](const QKeySequence& keys, std::function<qsizetype()> target) {
        auto* shortcut = new QShortcut(keys, window);
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
    if (window && !isClosingViewer()) {
        window->toggleFullScreen();
    }
}

void AppDelegate::bringViewerToFront() {
    if (!window || isClosingViewer()) {
        return;
    }
    window->bringToFront();
    if (QWindow* handle = window->windowHandle()) {
        activateOnUserRequest(*handle);
    }
}

void AppDelegate::windowWillClose() {
    if (lifecycle_ == Lifecycle::running) {
        lifecycle_ = Lifecycle::closing;
    }
    snapshots_->viewerWillClose();
    if (focusArea_) {
        focusArea_->viewerWillClose();
    }
    if (overlay_) {
        overlay_->viewerWillClose();
    }
    supervisor_->viewerWillClose();
}

} // namespace rure
