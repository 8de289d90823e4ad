#include "MPVPictureView.h"

#include <mpv/render.h>

#include <QPainter>

#include <algorithm>
#include <ctime>
#include <utility>
#include <variant>

namespace rure {

MPVPictureView::MPVPictureView(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::NoFocus);
}

MPVPictureView::~MPVPictureView() = default;

int MPVPictureView::configureWithMPV(mpv_handle* handle) {
    Q_ASSERT_X(onMainThread(), metaObject()->className(),
               "The renderer must be created on the main thread.");
    if (renderContext_ != nullptr) {
        shutdownRenderContext();
    }
    MPVRenderContextOrStatus created = createRenderContext(handle);
    auto* context = std::get_if<MPVRenderContext>(&created);
    if (context == nullptr) {
        return std::get<int>(created);
    }
    renderContext_ = std::move(*context);
    newPictures_ = {};
    mpv_render_context_set_update_callback(renderContext_.get(), rure_picture_render_update, this);
    return 0;
}

void MPVPictureView::shutdownRenderContext() {
    Q_ASSERT_X(onMainThread(), metaObject()->className(),
               "The renderer must be destroyed on the main thread.");
    if (renderContext_ != nullptr) {
        freeRenderContext(renderContext_);
    }
    // The last picture stays on screen, so that an engine rebuild does not
    // flash black, until the view is resized or the next engine draws.
}

QSize MPVPictureView::pixelSize() const {
    const qreal ratio = devicePixelRatioF();
    return {std::max(1, qRound(width() * ratio)), std::max(1, qRound(height() * ratio))};
}

void MPVPictureView::consumeRenderUpdates() {
    if (renderContext_ == nullptr) {
        return;
    }
    if ((mpv_render_context_update(renderContext_.get()) & MPV_RENDER_UPDATE_FRAME) == 0) {
        return;
    }
    // Only a picture the engine decoded from the camera is a heartbeat; its
    // redraws of the last picture are drawn but never counted.
    const bool newPicture = newPictures_.nextFrameIsNew(renderContext_.get());
    holdingPicture_ = holdingPicture_ && !newPicture;
    if (!isExposedOnScreen(*this) || holdingPicture_) {
        skipPicture();
    } else {
        if (!renderPicture()) {
            return;
        }
        // Painted and handed to the window system before the heartbeat.
        repaint();
    }
    if (newPicture) {
        callFrameRenderedHandler(frameRenderedHandler_);
    }
}

bool MPVPictureView::renderPicture() {
    if (!drawPicture(picture_, pixelSize())) {
        return false;
    }
    picture_.setDevicePixelRatio(devicePixelRatioF());
    return true;
}

void MPVPictureView::redrawForNewSize() {
    // A new picture the engine has waiting is drawn here rather than by the
    // pending consumeRenderUpdates, which will then find none: it still counts,
    // once it is on screen.
    const bool newPicture =
        (mpv_render_context_update(renderContext_.get()) & MPV_RENDER_UPDATE_FRAME) != 0 &&
        newPictures_.nextFrameIsNew(renderContext_.get());
    if (renderPicture() && newPicture) {
        QMetaObject::invokeMethod(
            this, [this] { callFrameRenderedHandler(frameRenderedHandler_); },
            Qt::QueuedConnection);
    }
}

void MPVPictureView::paintEvent(QPaintEvent* /*event*/) {
    // Resized while nobody could see it: the engine's picture at today's size.
    if (renderContext_ != nullptr && !holdingPicture_ && !picture_.isNull() &&
        picture_.size() != pixelSize()) {
        redrawForNewSize();
    }
    QPainter painter(this);
    if (picture_.isNull() || pictureHidden_) {
        painter.fillRect(rect(), Qt::black);
        return;
    }
    // Covers the whole view even when the picture is an older size (a
    // detached view keeps its last picture).
    painter.drawImage(QRectF(rect()), picture_);
}

void MPVPictureView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    // The engine's current picture, drawn again at the new size; not a heartbeat.
    if (renderContext_ == nullptr) {
        picture_ = QImage();
    } else if (isExposedOnScreen(*this) && !holdingPicture_) {
        redrawForNewSize();
    }
}

void MPVPictureView::clearPicture() {
    if (renderContext_ != nullptr || picture_.isNull()) {
        return;
    }
    picture_ = QImage();
    update();
}

void MPVPictureView::setPictureHidden(bool hidden) {
    if (hidden != pictureHidden_) {
        pictureHidden_ = hidden;
        update();
    }
}

void MPVPictureView::holdPictureUntilNextFrame() {
    holdingPicture_ = !picture_.isNull();
}

void MPVPictureView::noteEngineUpdate() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    lastEngineUpdate_.store(std::int64_t(now.tv_sec) * 1'000'000'000 + now.tv_nsec);
}

void MPVPictureView::setFrameRenderedHandler(std::function<void()> handler) {
    frameRenderedHandler_ = std::move(handler);
}

const std::function<void()>& MPVPictureView::frameRenderedHandler() const {
    return frameRenderedHandler_;
}

} // namespace rure

void rure_picture_render_update(void* ctx) {
    auto* view = static_cast<rure::MPVPictureView*>(ctx);
    view->noteEngineUpdate();
    QMetaObject::invokeMethod(view, &rure::MPVPictureView::consumeRenderUpdates,
                              Qt::QueuedConnection);
}
