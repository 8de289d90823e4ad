#include "WindowFrameController.h"

#include "window/TemporaryMaximum.h"
#include "window/ViewerWindow.h"

#include <QGuiApplication>
#include <QPropertyAnimation>
#include <QScreen>

namespace rure {

WindowFrameController::WindowFrameController(ViewerWindow& window, Scheduler& scheduler,
                                             std::function<void(const QRect&)> saveFrame)
    : window_(window), scheduler_(scheduler), saveFrame_(std::move(saveFrame)) {}

WindowFrameController::~WindowFrameController() = default;

void WindowFrameController::setWindowFrameAnimated(const QRect& frame) {
    // A full-screen window keeps the screen's frame.
    if (window_.isFullScreen()) {
        return;
    }
    if (windowFrameAnimation_) {
        windowFrameAnimation_->stop();
        delete windowFrameAnimation_;
    }
    auto* animation = new QPropertyAnimation(&window_, "geometry", this);
    animation->setDuration(animationMilliseconds);
    animation->setEasingCurve(QEasingCurve::InOutQuad);
    animation->setEndValue(frame);
    windowFrameAnimation_ = animation;
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}

bool WindowFrameController::isAnimating() const {
    return windowFrameAnimation_ && windowFrameAnimation_->state() == QAbstractAnimation::Running;
}

void WindowFrameController::toggleTemporaryMaximum(std::optional<double> appliedVideoAspectRatio) {
    if (window_.isFullScreen()) {
        return;
    }
    const QScreen* screen = window_.screen() ? window_.screen() : QGuiApplication::primaryScreen();
    if (!screen) {
        return;
    }
    if (isTemporarilyMaximized_) {
        if (restoreFrameBeforeTemporaryMaximum_) {
            const QRect restore = *restoreFrameBeforeTemporaryMaximum_;
            setWindowFrameAnimated(restore);
            // A second click during the restore replaces this task with one
            // that ends in the same state.
            temporaryMaximumRestore_ =
                scheduler_.schedule(temporaryMaximumRestoreDelay, this, [this, restore] {
                    isTemporarilyMaximized_ = false;
                    restoreFrameBeforeTemporaryMaximum_.reset();
                    saveFrame_(restore);
                });
        } else {
            isTemporarilyMaximized_ = false;
        }
        return;
    }
    const QRect frame = window_.geometry();
    const QRectF maximum =
        temporaryMaximumFrame(QRectF(frame), QSizeF(window_.contentView()->size()),
                              QRectF(screen->availableGeometry()), appliedVideoAspectRatio);
    restoreFrameBeforeTemporaryMaximum_ = frame;
    isTemporarilyMaximized_ = true;
    setWindowFrameAnimated(maximum.toRect());
}

void WindowFrameController::saveWindowFrame() {
    if (isTemporarilyMaximized_ || !window_.isVisible() || window_.isFullScreen()) {
        return;
    }
    saveFrame_(window_.geometry());
}

} // namespace rure
