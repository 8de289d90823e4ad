#pragma once

#include <mpv/client.h>

#include <memory>

namespace rure {

struct MPVHandleDeleter {
    void operator()(mpv_handle* handle) const { mpv_terminate_destroy(handle); }
};

// Sole owner of one engine instance; releasing it terminates and destroys the
// instance, so every failure path after mpv_create cleans up by itself.
using MPVHandle = std::unique_ptr<mpv_handle, MPVHandleDeleter>;

} // namespace rure
