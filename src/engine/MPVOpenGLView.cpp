#include "MPVOpenGLView.h"

#include "engine/MPVRenderSupport.h"

#include <mpv/render_gl.h>

#include <QOpenGLContext>
#include <QOpenGLFunctions>

#include <utility>
#include <variant>

namespace rure {

MPVOpenGLView::MPVOpenGLView(QWidget* parent) : QOpenGLWidget(parent) {
    setFormat(videoSurfaceFormat());
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    connect(this, &QOpenGLWidget::frameSwapped, this, &MPVOpenGLView::presentedFrame);
}

MPVOpenGLView::~MPVOpenGLView() {
    shutdownRenderContext();
    // The base class destroys the GL context after this object is gone; the
    // slot must not run on a half-destroyed view.
    disconnect(contextDestructionConnection_);
}

int MPVOpenGLView::configureWithMPV(mpv_handle* handle) {
    Q_ASSERT_X(onMainThread(), "MPVOpenGLView", "The renderer must be created on the main thread.");
    if (renderContext_ != nullptr) {
        shutdownRenderContext();
    }
    const QOpenGLContext* glContext = context();
    if (glContext == nullptr || !glContext->isValid()) {
        return MPV_ERROR_UNSUPPORTED;
    }
    makeCurrent();
    MPVRenderContextOrStatus created = createOpenGLRenderContext(handle);
    int status = 0;
    if (auto* context = std::get_if<MPVRenderContext>(&created)) {
        renderContext_ = std::move(*context);
        newPictures_ = {};
        mpv_render_context_set_update_callback(renderContext_.get(), rure_render_update, this);
    } else {
        status = std::get<int>(created);
    }
    doneCurrent();
    return status;
}

void MPVOpenGLView::initializeGL() {
    // A new GL context is made whenever the widget moves to another window; the
    // old one takes the render context's GL resources with it.
    disconnect(contextDestructionConnection_);
    contextDestructionConnection_ =
        connect(context(), &QOpenGLContext::aboutToBeDestroyed, this,
                &MPVOpenGLView::contextAboutToBeDestroyed, Qt::DirectConnection);
}

void MPVOpenGLView::contextAboutToBeDestroyed() {
    shutdownRenderContext();
}

void MPVOpenGLView::consumeRenderUpdates() {
    if (renderContext_ == nullptr) {
        return;
    }
    if ((mpv_render_context_update(renderContext_.get()) & MPV_RENDER_UPDATE_FRAME) == 0) {
        return;
    }
    // Only a picture the engine decoded from the camera is a heartbeat. A
    // redraw of the last picture (after a reload into the same engine, for
    // example, long before the camera answers) is drawn but never counted.
    const bool newVideoFrame = newPictures_.nextFrameIsNew(renderContext_.get());
    holdingPicture_ = holdingPicture_ && !newVideoFrame && !hasPendingVideoFrame_;
    if (!isExposedOnScreen(*this) || holdingPicture_) {
        consumeFrameWithoutDrawing(newVideoFrame);
        return;
    }
    hasPendingVideoFrame_ = hasPendingVideoFrame_ || newVideoFrame;
    update();
}

void MPVOpenGLView::consumeFrameWithoutDrawing(bool newVideoFrame) {
    makeCurrent();
    const qreal ratio = devicePixelRatioF();
    rure::consumeFrameWithoutDrawing(renderContext_.get(),
                                     static_cast<int>(defaultFramebufferObject()),
                                     QSize(qRound(width() * ratio), qRound(height() * ratio)));
    doneCurrent();
    const bool counted = hasPendingVideoFrame_ || newVideoFrame;
    hasPendingVideoFrame_ = false;
    if (counted) {
        callFrameRenderedHandler(frameRenderedHandler_);
    }
}

void MPVOpenGLView::paintGL() {
    // The widget's framebuffer still holds the last picture: it stays.
    if (holdingPicture_ && renderContext_ != nullptr) {
        return;
    }
    QOpenGLFunctions* gl = context()->functions();
    gl->glClearColor(0.0F, 0.0F, 0.0F, 1.0F);
    gl->glClear(GL_COLOR_BUFFER_BIT);
    if (renderContext_ == nullptr) {
        return;
    }
    // Device pixels, rounded: truncating would leave a one-pixel seam at
    // fractional scale factors.
    const qreal ratio = devicePixelRatioF();
    mpv_opengl_fbo fbo{static_cast<int>(defaultFramebufferObject()), qRound(width() * ratio),
                       qRound(height() * ratio), 0};
    int flipY = 1;
    // The picture is shown the moment it is decoded; the GUI thread never
    // waits for a display time the engine planned ahead.
    int blockForTargetTime = 0;
    mpv_render_param params[] = {
        {MPV_RENDER_PARAM_OPENGL_FBO, &fbo},
        {MPV_RENDER_PARAM_FLIP_Y, &flipY},
        {MPV_RENDER_PARAM_BLOCK_FOR_TARGET_TIME, &blockForTargetTime},
        {MPV_RENDER_PARAM_INVALID, nullptr},
    };
    mpv_render_context_render(renderContext_.get(), params);
    if (pictureHidden_) {
        // Drawn all the same, so that the engine's pictures keep being taken
        // and reported; only what shows is black.
        gl->glClear(GL_COLOR_BUFFER_BIT);
    }
    // A resize paints without presenting; the frame it drew is presented by the
    // next swap, so the mark survives further paints until then.
    presentingPendingFrame_ = presentingPendingFrame_ || hasPendingVideoFrame_;
    hasPendingVideoFrame_ = false;
}

void MPVOpenGLView::clearPicture() {
    // Detached, a paint is a plain black clear.
    if (renderContext_ == nullptr) {
        update();
    }
}

void MPVOpenGLView::setPictureHidden(bool hidden) {
    if (hidden != pictureHidden_) {
        pictureHidden_ = hidden;
        update();
    }
}

void MPVOpenGLView::holdPictureUntilNextFrame() {
    holdingPicture_ = true;
}

void MPVOpenGLView::presentedFrame() {
    if (renderContext_ != nullptr) {
        mpv_render_context_report_swap(renderContext_.get());
    }
    if (!presentingPendingFrame_) {
        return;
    }
    presentingPendingFrame_ = false;
    callFrameRenderedHandler(frameRenderedHandler_);
}

void MPVOpenGLView::shutdownRenderContext() {
    Q_ASSERT_X(onMainThread(), "MPVOpenGLView",
               "The renderer must be destroyed on the main thread.");
    if (renderContext_ != nullptr) {
        makeCurrent();
        renderContext_.reset();
        doneCurrent();
    }
    hasPendingVideoFrame_ = false;
    presentingPendingFrame_ = false;
}

void MPVOpenGLView::setFrameRenderedHandler(std::function<void()> handler) {
    frameRenderedHandler_ = std::move(handler);
}

const std::function<void()>& MPVOpenGLView::frameRenderedHandler() const {
    return frameRenderedHandler_;
}

} // namespace rure

void rure_render_update(void* ctx) {
    auto* view = static_cast<rure::MPVOpenGLView*>(ctx);
    QMetaObject::invokeMethod(view, &rure::MPVOpenGLView::consumeRenderUpdates,
                              Qt::QueuedConnection);
}
