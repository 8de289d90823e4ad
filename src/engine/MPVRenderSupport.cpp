#include "MPVRenderSupport.h"

#include <mpv/render_gl.h>

#include <QCoreApplication>
#include <QGuiApplication>
#include <QOpenGLContext>
#include <QThread>
#include <QWidget>
#include <QWindow>
#include <QtGui/qguiapplication_platform.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace rure {

bool onMainThread() {
    const QCoreApplication* application = QCoreApplication::instance();
    return application != nullptr && QThread::currentThread() == application->thread();
}

bool isExposedOnScreen(const QWidget& view) {
    if (!view.isVisible()) {
        return false;
    }
    const QWidget* topLevel = view.window();
    if (topLevel->isMinimized()) {
        return false;
    }
    const QWindow* surface = topLevel->windowHandle();
    return surface != nullptr && surface->isExposed();
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

MPVRenderContextOrStatus createOpenGLRenderContext(mpv_handle* handle) {
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
    return createMPVRenderContext(handle, params.data());
}

bool NewPictureFilter::nextFrameIsNew(mpv_render_context* context) {
    mpv_render_frame_info info{};
    mpv_render_param param{MPV_RENDER_PARAM_NEXT_FRAME_INFO, &info};
    if (mpv_render_context_get_info(context, param) < 0) {
        // Without the information every announced frame counts.
        return true;
    }
    constexpr uint64_t notNew = MPV_RENDER_FRAME_INFO_REDRAW | MPV_RENDER_FRAME_INFO_REPEAT;
    // A decoded picture carries the time it is due on screen; the engine's
    // redraws carry none, and the redraw that follows a dropped frame is not
    // flagged as one.
    if ((info.flags & MPV_RENDER_FRAME_INFO_PRESENT) == 0 || (info.flags & notNew) != 0 ||
        info.target_time == 0) {
        return false;
    }
    // The engine hands a picture over and, drawn at once, announces it again
    // a moment later, unflagged and with a time 1 to 8 ms on (over 15 ms on a
    // loaded machine under the sanitizers; it shows frames as soon as they are
    // decoded, and the time is when it handed each over): a slow camera would
    // count each of its pictures twice. Pictures of cameras of up to 40 a
    // second are more than 25 ms apart; faster ones count one picture in two,
    // which still tells that they play.
    constexpr int64_t samePictureMicroseconds = 25000;
    if (std::llabs(info.target_time - lastTargetTime_) <= samePictureMicroseconds) {
        return false;
    }
    lastTargetTime_ = info.target_time;
    return true;
}

namespace {

// Takes the announced frame off the engine's queue without drawing it, into
// `fbo` when the renderer is OpenGL's, and reports the swap.
void skipFrame(mpv_render_context* context, mpv_opengl_fbo* fbo) {
    int skipRendering = 1;
    // Nobody sees this frame, so the GUI thread need not wait for its display time.
    int blockForTargetTime = 0;
    std::vector<mpv_render_param> params;
    if (fbo != nullptr) {
        params.push_back({MPV_RENDER_PARAM_OPENGL_FBO, fbo});
    }
    params.push_back({MPV_RENDER_PARAM_SKIP_RENDERING, &skipRendering});
    params.push_back({MPV_RENDER_PARAM_BLOCK_FOR_TARGET_TIME, &blockForTargetTime});
    params.push_back({MPV_RENDER_PARAM_INVALID, nullptr});
    mpv_render_context_render(context, params.data());
    mpv_render_context_report_swap(context);
}

} // namespace

void consumeFrameWithoutDrawing(mpv_render_context* context, int framebuffer, QSize pixels) {
    mpv_opengl_fbo fbo{framebuffer, std::max(1, pixels.width()), std::max(1, pixels.height()), 0};
    skipFrame(context, &fbo);
}

void consumeFrameWithoutDrawing(mpv_render_context* context) {
    skipFrame(context, nullptr);
}

void callFrameRenderedHandler(const std::function<void()>& handler) {
    if (handler) {
        const std::function<void()> copy = handler;
        copy();
    }
}

} // namespace rure

void* rure_get_proc_address(void* /*ctx*/, const char* name) {
    const QOpenGLContext* current = QOpenGLContext::currentContext();
    if (current == nullptr) {
        return nullptr;
    }
    return reinterpret_cast<void*>(current->getProcAddress(name));
}
