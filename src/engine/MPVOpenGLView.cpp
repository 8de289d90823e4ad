#include "MPVOpenGLView.h"

#include <mpv/render_gl.h>

#include <QCoreApplication>
#include <QGuiApplication>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QSurfaceFormat>
#include <QThread>
#include <QWindow>
#include <QtGui/qguiapplication_platform.h>

#include <algorithm>
#include <vector>

namespace rure {

namespace {

bool onMainThread() {
    const QCoreApplication* application = QCoreApplication::instance();
    return application != nullptr && QThread::currentThread() == application->thread();
}

QSurfaceFormat videoSurfaceFormat() {
    QSurfaceFormat format;
    format.setRenderableType(QSurfaceFormat::OpenGL);
    format.setVersion(3, 2);
    format.setProfile(QSurfaceFormat::CoreProfile);
    format.setSwapBehavior(QSurfaceFormat::DoubleBuffer);
    format.setRedBufferSize(8);
    format.setGreenBufferSize(8);
    format.setBlueBufferSize(8);
    format.setAlphaBufferSize(8);
    return format;
}

} // namespace

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

    mpv_opengl_init_params glInit{rure_get_proc_address, nullptr};
    std::vector<mpv_render_param> params{
        {MPV_RENDER_PARAM_API_TYPE, const_cast<char*>(MPV_RENDER_API_TYPE_OPENGL)},
        {MPV_RENDER_PARAM_OPENGL_INIT_PARAMS, &glInit},
    };
    // The native display lets hardware decoding hand frames to GL without a copy.
    // Qt 6.4 exposes no Wayland display to applications, so there it decodes with
    // copies (or in software).
#if QT_CONFIG(xcb)
    if (const auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>()) {
        if (Display* display = x11->display()) {
            params.push_back({MPV_RENDER_PARAM_X11_DISPLAY, display});
        }
    }
#endif
    params.push_back({MPV_RENDER_PARAM_INVALID, nullptr});

    mpv_render_context* created = nullptr;
    const int status = mpv_render_context_create(&created, handle, params.data());
    if (status >= 0) {
        renderContext_ = created;
        mpv_render_context_set_update_callback(renderContext_, rure_render_update, this);
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
    if ((mpv_render_context_update(renderContext_) & MPV_RENDER_UPDATE_FRAME) == 0) {
        return;
    }
    // Only a picture the engine decoded from the camera is a heartbeat. A
    // redraw of the last picture (after a reload into the same engine, for
    // example, long before the camera answers) is drawn but never counted.
    const bool newVideoFrame = nextFrameIsNewVideo();
    if (!isExposedOnScreen()) {
        consumeFrameWithoutDrawing(newVideoFrame);
        return;
    }
    hasPendingVideoFrame_ = hasPendingVideoFrame_ || newVideoFrame;
    update();
}

bool MPVOpenGLView::nextFrameIsNewVideo() const {
    mpv_render_frame_info info{};
    mpv_render_param param{MPV_RENDER_PARAM_NEXT_FRAME_INFO, &info};
    if (mpv_render_context_get_info(renderContext_, param) < 0) {
        // Without the information every announced frame counts, as before.
        return true;
    }
    constexpr uint64_t notNew = MPV_RENDER_FRAME_INFO_REDRAW | MPV_RENDER_FRAME_INFO_REPEAT;
    return (info.flags & MPV_RENDER_FRAME_INFO_PRESENT) != 0 && (info.flags & notNew) == 0;
}

bool MPVOpenGLView::isExposedOnScreen() const {
    if (!isVisible()) {
        return false;
    }
    const QWidget* topLevel = window();
    if (topLevel->isMinimized()) {
        return false;
    }
    const QWindow* surface = topLevel->windowHandle();
    return surface != nullptr && surface->isExposed();
}

void MPVOpenGLView::consumeFrameWithoutDrawing(bool newVideoFrame) {
    makeCurrent();
    const qreal ratio = devicePixelRatioF();
    mpv_opengl_fbo fbo{static_cast<int>(defaultFramebufferObject()),
                       std::max(1, qRound(width() * ratio)), std::max(1, qRound(height() * ratio)),
                       0};
    int skipRendering = 1;
    // Nobody sees this frame, so the GUI thread need not wait for its display time.
    int blockForTargetTime = 0;
    mpv_render_param params[] = {
        {MPV_RENDER_PARAM_OPENGL_FBO, &fbo},
        {MPV_RENDER_PARAM_SKIP_RENDERING, &skipRendering},
        {MPV_RENDER_PARAM_BLOCK_FOR_TARGET_TIME, &blockForTargetTime},
        {MPV_RENDER_PARAM_INVALID, nullptr},
    };
    mpv_render_context_render(renderContext_, params);
    mpv_render_context_report_swap(renderContext_);
    doneCurrent();
    const bool counted = hasPendingVideoFrame_ || newVideoFrame;
    hasPendingVideoFrame_ = false;
    if (counted) {
        notifyFrameRendered();
    }
}

void MPVOpenGLView::paintGL() {
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
    mpv_render_param params[] = {
        {MPV_RENDER_PARAM_OPENGL_FBO, &fbo},
        {MPV_RENDER_PARAM_FLIP_Y, &flipY},
        {MPV_RENDER_PARAM_INVALID, nullptr},
    };
    mpv_render_context_render(renderContext_, params);
    // A resize paints without presenting; the frame it drew is presented by the
    // next swap, so the mark survives further paints until then.
    presentingPendingFrame_ = presentingPendingFrame_ || hasPendingVideoFrame_;
    hasPendingVideoFrame_ = false;
}

void MPVOpenGLView::presentedFrame() {
    if (renderContext_ != nullptr) {
        mpv_render_context_report_swap(renderContext_);
    }
    if (!presentingPendingFrame_) {
        return;
    }
    presentingPendingFrame_ = false;
    notifyFrameRendered();
}

void MPVOpenGLView::notifyFrameRendered() {
    if (frameRenderedHandler_) {
        // The handler may replace itself (for example by detaching the view).
        const std::function<void()> handler = frameRenderedHandler_;
        handler();
    }
}

void MPVOpenGLView::shutdownRenderContext() {
    Q_ASSERT_X(onMainThread(), "MPVOpenGLView",
               "The renderer must be destroyed on the main thread.");
    if (renderContext_ != nullptr) {
        makeCurrent();
        // Removed first: once this returns the engine can no longer reach the view.
        mpv_render_context_set_update_callback(renderContext_, nullptr, nullptr);
        mpv_render_context_free(renderContext_);
        renderContext_ = nullptr;
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

void* rure_get_proc_address(void* /*ctx*/, const char* name) {
    const QOpenGLContext* current = QOpenGLContext::currentContext();
    if (current == nullptr) {
        return nullptr;
    }
    return reinterpret_cast<void*>(current->getProcAddress(name));
}

void rure_render_update(void* ctx) {
    auto* view = static_cast<rure::MPVOpenGLView*>(ctx);
    QMetaObject::invokeMethod(view, &rure::MPVOpenGLView::consumeRenderUpdates,
                              Qt::QueuedConnection);
}
