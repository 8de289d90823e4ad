#pragma once

#include <mpv/render.h>

#include <memory>
#include <variant>

namespace rure {

struct MPVRenderContextDeleter {
    // Clears the update callback first, so that once this returns the engine can
    // no longer reach the view, then frees the context. A context of the OpenGL
    // renderer must be freed with the GL context it was made in current.
    void operator()(mpv_render_context* context) const {
        mpv_render_context_set_update_callback(context, nullptr, nullptr);
        mpv_render_context_free(context);
    }
};

// Sole owner of one render context of an engine instance, held by the view that
// shows it. Resetting it frees the context; the owner already reads null while
// the context is being freed, so nothing draws with it from then on. It must
// be gone before the engine instance is destroyed.
using MPVRenderContext = std::unique_ptr<mpv_render_context, MPVRenderContextDeleter>;

// A render context just made, or the engine's (negative) status when none could be.
using MPVRenderContextOrStatus = std::variant<MPVRenderContext, int>;

// Creates a render context for `handle` from `params` (ended by
// MPV_RENDER_PARAM_INVALID), with whatever the renderer needs already current.
inline MPVRenderContextOrStatus createMPVRenderContext(mpv_handle* handle,
                                                       mpv_render_param* params) {
    mpv_render_context* created = nullptr;
    const int status = mpv_render_context_create(&created, handle, params);
    if (status < 0) {
        return status;
    }
    return MPVRenderContext(created);
}

} // namespace rure
