// The controls over the picture (shown while the pointer is over it), Stay on
// Top, the camera menu, the temporary maximum and closing the viewer.
#include "AppDelegate.h"

#include "settings/CameraSettingsController.h"
#include "window/CameraPicker.h"
#include "window/DraggableContentView.h"
#include "window/TemporaryMaximum.h"
#include "window/ViewerControlButton.h"
#include "window/ViewerControlLayout.h"
#include "window/ViewerWindow.h"
#include "window/WindowFrameText.h"

#include <QGraphicsOpacityEffect>
#include <QGuiApplication>
#include <QMenu>
#include <QParallelAnimationGroup>
#include <QPropertyAnimation>
#include <QScreen>

namespace rure {

namespace {

constexpr int controlsFadeMilliseconds = 200;
constexpr int windowFrameAnimationMilliseconds = 250;
constexpr Seconds temporaryMaximumRestoreDelay{0.35};
constexpr double visibleAlpha = 0.01;

QGraphicsOpacityEffect* opacityOf(QWidget* control) {
    return qobject_cast<QGraphicsOpacityEffect*>(control->graphicsEffect());
}

} // namespace

QList<QWidget*> AppDelegate::viewerControls() const {
    QList<QWidget*> controls;
    for (QWidget* control :
         {static_cast<QWidget*>(cameraPicker.data()), static_cast<QWidget*>(mainMenuButton.data()),
          static_cast<QWidget*>(stayOnTopButton.data()),
          static_cast<QWidget*>(focusViewerButton.data()),
          static_cast<QWidget*>(closeViewerButton.data())}) {
        if (control) {
            controls << control;
        }
    }
    return controls;
}

void AppDelegate::hoverChanged(bool pointerInside) {
    if (isClosingViewer) {
        return;
    }
    pointerIsOverViewer =
        pointerInside && QGuiApplication::applicationState() == Qt::ApplicationActive;
    updateViewerControls();
}

void AppDelegate::applicationDidResignActive() {
    if (isClosingViewer) {
        return;
    }
    if (interactionView) {
        interactionView->cancelFocusSelection(true);
    }
    pointerIsOverViewer = false;
    cameraMenuIsOpen = false;
    updateViewerControls();
}

void AppDelegate::updateViewerControls() {
    if (isClosingViewer) {
        return;
    }
    keepViewerControlsInFront();
    const bool show = pointerIsOverViewer || cameraMenuIsOpen || isSelectingFocusArea;
    if (show == viewerControlsAreVisible) {
        return;
    }
    viewerControlsAreVisible = show;

    const bool hasCameras = !selection_.isEmpty();
    if (cameraPicker) {
        cameraPicker->setEnabled(show && hasCameras);
    }
    if (focusViewerButton) {
        focusViewerButton->setEnabled(show && hasCameras);
    }
    if (stayOnTopButton) {
        stayOnTopButton->setEnabled(show);
    }
    if (mainMenuButton) {
        mainMenuButton->setEnabled(show);
    }
    if (closeViewerButton) {
        closeViewerButton->setEnabled(show);
    }
    for (QWidget* control : viewerControls()) {
        // A fading-out control no longer takes the pointer from the picture.
        control->setAttribute(Qt::WA_TransparentForMouseEvents, !show);
        if (show) {
            control->show();
        }
    }

    if (controlsFade_) {
        controlsFade_->stop();
        delete controlsFade_;
    }
    auto* fade = new QParallelAnimationGroup(this);
    for (QWidget* control : viewerControls()) {
        if (QGraphicsOpacityEffect* effect = opacityOf(control)) {
            auto* animation = new QPropertyAnimation(effect, "opacity", fade);
            animation->setDuration(controlsFadeMilliseconds);
            animation->setEasingCurve(show ? QEasingCurve::OutQuad : QEasingCurve::InQuad);
            animation->setEndValue(show ? 1.0 : 0.0);
            fade->addAnimation(animation);
        }
    }
    QPointer<AppDelegate> weakSelf(this);
    connect(fade, &QAbstractAnimation::finished, this, [weakSelf] {
        if (weakSelf && !weakSelf->viewerControlsAreVisible) {
            for (QWidget* control : weakSelf->viewerControls()) {
                control->hide();
            }
        }
    });
    controlsFade_ = fade;
    fade->start(QAbstractAnimation::DeleteWhenStopped);
}

void AppDelegate::keepViewerControlsInFront() {
    for (QWidget* control : viewerControls()) {
        control->raise();
    }
}

void AppDelegate::updateViewerControlLayout() {
    if (!window) {
        return;
    }
    const QSize content = window->contentView()->size();
    usesCompactViewerControls = usesCompactLayout(content.width());
    const ViewerControlFrames frames = layoutViewerControls(
        content, cameraPicker ? cameraPicker->sizeHint().width() : 0, usesCompactViewerControls);
    if (cameraPicker) {
        cameraPicker->setGeometry(frames.picker);
    }
    if (mainMenuButton) {
        mainMenuButton->setGeometry(frames.menu);
    }
    if (stayOnTopButton) {
        stayOnTopButton->setGeometry(frames.pin);
    }
    if (focusViewerButton) {
        focusViewerButton->setGeometry(frames.focus);
    }
    if (closeViewerButton) {
        closeViewerButton->setGeometry(frames.close);
    }
}

QList<QRect> AppDelegate::viewerControlRects() const {
    QList<QRect> rects;
    if (!interactionView) {
        return rects;
    }
    for (QWidget* control : viewerControls()) {
        const QGraphicsOpacityEffect* effect = opacityOf(control);
        const double alpha = effect ? effect->opacity() : 1.0;
        if (!control->isHidden() && alpha > visibleAlpha) {
            rects << QRect(control->mapTo(interactionView->parentWidget(), QPoint(0, 0)) -
                               interactionView->pos(),
                           control->size());
        }
    }
    return rects;
}

void AppDelegate::toggleStayOnTop() {
    if (!stayOnTopButton) {
        return;
    }
    const bool pinned = stayOnTopButton->isChecked();
    if (window) {
        window->setStaysOnTop(pinned);
    }
    if (settingsController) {
        settingsController->setStaysOnTop(pinned);
    }
    stayOnTopButton->update();
    viewerSettings_.setStaysOnTop(pinned);
}

void AppDelegate::secondaryClick() {
    if (!focusCrop) {
        toggleTemporaryMaximum();
        return;
    }
    // With a crop applied, a right click shows the whole picture in the
    // cropped window, and the next one returns to the crop.
    if (!isShowingFullCameraTemporarily) {
        setMPVProperty(QStringLiteral("video-crop"), QString());
        setMPVProperty(QStringLiteral("keepaspect"), QStringLiteral("no"));
        setMPVProperty(QStringLiteral("panscan"), QStringLiteral("0"));
        isShowingFullCameraTemporarily = true;
    } else {
        applyFocusedCameraView(*focusCrop, false);
        isShowingFullCameraTemporarily = false;
    }
}

void AppDelegate::setWindowFrameAnimated(const QRect& frame) {
    if (!window) {
        return;
    }
    if (windowFrameAnimation_) {
        windowFrameAnimation_->stop();
        delete windowFrameAnimation_;
    }
    auto* animation = new QPropertyAnimation(window, "geometry", this);
    animation->setDuration(windowFrameAnimationMilliseconds);
    animation->setEasingCurve(QEasingCurve::InOutQuad);
    animation->setEndValue(frame);
    windowFrameAnimation_ = animation;
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}

void AppDelegate::toggleTemporaryMaximum() {
    if (!window) {
        return;
    }
    const QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (!screen) {
        return;
    }
    if (isTemporarilyMaximized) {
        if (restoreFrameBeforeTemporaryMaximum) {
            const QRect restore = *restoreFrameBeforeTemporaryMaximum;
            setWindowFrameAnimated(restore);
            QPointer<AppDelegate> weakSelf(this);
            // A second click during the restore replaces this task with one
            // that ends in the same state.
            temporaryMaximumRestore_ = services_.scheduler->schedule(
                temporaryMaximumRestoreDelay, this, [weakSelf, restore] {
                    if (!weakSelf) {
                        return;
                    }
                    weakSelf->isTemporarilyMaximized = false;
                    weakSelf->restoreFrameBeforeTemporaryMaximum.reset();
                    weakSelf->viewerSettings_.setWindowFrame(windowFrameText(restore));
                });
        } else {
            isTemporarilyMaximized = false;
        }
        return;
    }
    const QRect frame = window->geometry();
    const QRectF maximum =
        temporaryMaximumFrame(QRectF(frame), QSizeF(window->contentView()->size()),
                              QRectF(screen->availableGeometry()), appliedVideoAspectRatio);
    restoreFrameBeforeTemporaryMaximum = frame;
    isTemporarilyMaximized = true;
    setWindowFrameAnimated(maximum.toRect());
}

void AppDelegate::closeCameraViewer() {
    if (window) {
        window->close();
    }
}

void AppDelegate::menuWillOpen() {
    cameraMenuIsOpen = true;
    if (cameraPicker) {
        cameraPicker->refreshMenuSelection();
    }
    updateViewerControls();
}

void AppDelegate::menuDidClose() {
    cameraMenuIsOpen = false;
    updateViewerControls();
}

} // namespace rure
