#pragma once

#include "engine/MPVRenderContext.h"

#include <QSize>
#include <QSurfaceFormat>

#include <cstdint>
#include <functional>

class QWidget;
struct mpv_handle;
struct mpv_render_context;

namespace rure {

// What both video views share about the engine's OpenGL render context.

bool onMainThread();

// Whether `view` can be seen: visible, in a window that is neither minimised
// nor unexposed. A view nobody can see is not drawn, but its frames still count.
bool isExposedOnScreen(const QWidget& view);

// The surface the engine draws into: OpenGL 3.2 core, 8 bits per channel.
QSurfaceFormat videoSurfaceFormat();

// With the view's GL context current: creates the render context for
// `handle` (the "opengl" API, GL functions looked up in the current context,
// and the X11 display where there is one).
MPVRenderContextOrStatus createOpenGLRenderContext(mpv_handle* handle);

// Tells the engine's new decoded pictures from its redraws and repeats of the
// last one: only a new picture is a heartbeat. One per attached render context.
class NewPictureFilter {
public:
    // Whether the frame the engine just announced is a picture not counted yet.
    bool nextFrameIsNew(mpv_render_context* context);

private:
    int64_t lastTargetTime_ = 0;
};

// With the GL context current: takes the announced frame off the engine's
// queue without drawing it (for a view nobody can see), and reports the swap.
void consumeFrameWithoutDrawing(mpv_render_context* context, int framebuffer, QSize pixels);

// The same for the software renderer, which needs no target to skip a frame.
void consumeFrameWithoutDrawing(mpv_render_context* context);

// Calls a view's frame handler, if any. Called through a copy: the handler
// may replace itself (for example by detaching the view).
void callFrameRenderedHandler(const std::function<void()>& handler);

} // namespace rure

// Engine callback of both views: looks up an OpenGL function in the current GL
// context; `ctx` plays no part.
void* rure_get_proc_address(void* ctx, const char* name);
