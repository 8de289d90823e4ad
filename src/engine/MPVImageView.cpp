#include "MPVImageView.h"

#include "engine/MPVRenderSupport.h"

#include <mpv/render_gl.h>

#include <QOpenGLFramebufferObject>
#include <QOpenGLFunctions>
#include <QPainter>

#include <algorithm>

namespace rure {

namespace {

// The read-back layout that matches the window's own pixels, so painting the
// picture is a plain copy.
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
constexpr GLenum readBackFormat = 0x80E1; // GL_BGRA
constexpr QImage::Format pictureFormat = QImage::Format_RGB32;
#else
constexpr GLenum readBackFormat = GL_RGBA;
constexpr QImage::Format pictureFormat = QImage::Format_RGBX8888;
#endif

} // namespace

MPVImageView::MPVImageView(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::NoFocus);
}

MPVImageView::~MPVImageView() {
    shutdownRenderContext();
    if (framebuffer_ && makeContextCurrent()) {
        framebuffer_.reset();
        glContext_.doneCurrent();
    }
}

bool MPVImageView::makeContextCurrent() {
    if (!glContext_.isValid()) {
        // A context lost under an attached engine is not replaced: the
        // engine's GL objects belong to the old one.
        if (renderContext_ != nullptr) {
            return false;
        }
        const QSurfaceFormat format = videoSurfaceFormat();
        surface_.setFormat(format);
        surface_.create();
        glContext_.setFormat(format);
        if (!surface_.isValid() || !glContext_.create()) {
            return false;
        }
    }
    return glContext_.makeCurrent(&surface_);
}

int MPVImageView::configureWithMPV(mpv_handle* handle) {
    Q_ASSERT_X(onMainThread(), "MPVImageView", "The renderer must be created on the main thread.");
    if (renderContext_ != nullptr) {
        shutdownRenderContext();
    }
    if (!makeContextCurrent()) {
        return MPV_ERROR_UNSUPPORTED;
    }
    mpv_render_context* created = nullptr;
    const int status = createOpenGLRenderContext(handle, &created);
    if (status >= 0) {
        renderContext_ = created;
        newPictures_ = {};
        mpv_render_context_set_update_callback(renderContext_, rure_image_render_update, this);
    }
    glContext_.doneCurrent();
    return status;
}

QSize MPVImageView::pixelSize() const {
    const qreal ratio = devicePixelRatioF();
    return {std::max(1, qRound(width() * ratio)), std::max(1, qRound(height() * ratio))};
}

void MPVImageView::consumeRenderUpdates() {
    if (renderContext_ == nullptr) {
        return;
    }
    if ((mpv_render_context_update(renderContext_) & MPV_RENDER_UPDATE_FRAME) == 0) {
        return;
    }
    // Only a picture the engine decoded from the camera is a heartbeat; its
    // redraws of the last picture are drawn but never counted.
    const bool newVideoFrame = newPictures_.nextFrameIsNew(renderContext_);
    if (!isExposedOnScreen(*this)) {
        if (!makeContextCurrent()) {
            return;
        }
        rure::consumeFrameWithoutDrawing(renderContext_, 0, pixelSize());
        glContext_.doneCurrent();
    } else {
        if (!renderPicture()) {
            return;
        }
        // Painted and handed to the window system before the heartbeat.
        repaint();
    }
    if (newVideoFrame) {
        callFrameRenderedHandler(frameRenderedHandler_);
    }
}

bool MPVImageView::renderPicture() {
    if (!makeContextCurrent()) {
        return false;
    }
    const QSize size = pixelSize();
    if (!framebuffer_ || framebuffer_->size() != size) {
        framebuffer_ = std::make_unique<QOpenGLFramebufferObject>(size);
    }
    if (!framebuffer_->isValid()) {
        glContext_.doneCurrent();
        return false;
    }
    if (picture_.size() != size || picture_.format() != pictureFormat) {
        picture_ = QImage(size, pictureFormat);
    }
    mpv_opengl_fbo fbo{static_cast<int>(framebuffer_->handle()), size.width(), size.height(), 0};
    // Not flipped: the engine then writes the picture's top row first, which
    // is the first row read back.
    // The picture is shown the moment it is decoded; the GUI thread never
    // waits for a display time the engine planned ahead.
    int blockForTargetTime = 0;
    mpv_render_param params[] = {
        {MPV_RENDER_PARAM_OPENGL_FBO, &fbo},
        {MPV_RENDER_PARAM_BLOCK_FOR_TARGET_TIME, &blockForTargetTime},
        {MPV_RENDER_PARAM_INVALID, nullptr},
    };
    if (mpv_render_context_render(renderContext_, params) < 0) {
        glContext_.doneCurrent();
        return false;
    }
    QOpenGLFunctions* gl = glContext_.functions();
    gl->glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_->handle());
    gl->glPixelStorei(GL_PACK_ALIGNMENT, 4);
    gl->glReadPixels(0, 0, size.width(), size.height(), readBackFormat, GL_UNSIGNED_BYTE,
                     picture_.bits());
    gl->glBindFramebuffer(GL_FRAMEBUFFER, 0);
    mpv_render_context_report_swap(renderContext_);
    glContext_.doneCurrent();
    picture_.setDevicePixelRatio(devicePixelRatioF());
    return true;
}

void MPVImageView::redrawForNewSize() {
    // A new picture the engine has waiting is drawn here rather than by the
    // pending consumeRenderUpdates, which will then find none: it still counts,
    // once it is on screen.
    const bool newPicture =
        (mpv_render_context_update(renderContext_) & MPV_RENDER_UPDATE_FRAME) != 0 &&
        newPictures_.nextFrameIsNew(renderContext_);
    if (renderPicture() && newPicture) {
        QMetaObject::invokeMethod(
            this, [this] { callFrameRenderedHandler(frameRenderedHandler_); },
            Qt::QueuedConnection);
    }
}

void MPVImageView::paintEvent(QPaintEvent* /*event*/) {
    // Resized while nobody could see it: the engine's picture at today's size.
    if (renderContext_ != nullptr && !picture_.isNull() && picture_.size() != pixelSize()) {
        redrawForNewSize();
    }
    QPainter painter(this);
    if (picture_.isNull()) {
        painter.fillRect(rect(), Qt::black);
        return;
    }
    // Covers the whole view even when the picture is an older size (a
    // detached view keeps its last picture).
    painter.drawImage(QRectF(rect()), picture_);
}

void MPVImageView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    // The engine's current picture, drawn again at the new size; not a heartbeat.
    if (renderContext_ == nullptr) {
        picture_ = QImage();
    } else if (isExposedOnScreen(*this)) {
        redrawForNewSize();
    }
}

void MPVImageView::clearPicture() {
    if (renderContext_ != nullptr || picture_.isNull()) {
        return;
    }
    picture_ = QImage();
    update();
}

void MPVImageView::shutdownRenderContext() {
    Q_ASSERT_X(onMainThread(), "MPVImageView",
               "The renderer must be destroyed on the main thread.");
    if (renderContext_ != nullptr) {
        makeContextCurrent();
        freeRenderContext(renderContext_);
        glContext_.doneCurrent();
    }
    // The last picture stays on screen, so that an engine rebuild does not
    // flash black, until the view is resized or the next engine draws.
}

void MPVImageView::setFrameRenderedHandler(std::function<void()> handler) {
    frameRenderedHandler_ = std::move(handler);
}

const std::function<void()>& MPVImageView::frameRenderedHandler() const {
    return frameRenderedHandler_;
}

} // namespace rure

void rure_image_render_update(void* ctx) {
    auto* view = static_cast<rure::MPVImageView*>(ctx);
    QMetaObject::invokeMethod(view, &rure::MPVImageView::consumeRenderUpdates,
                              Qt::QueuedConnection);
}
