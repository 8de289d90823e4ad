#pragma once

#include <functional>

struct mpv_handle;

namespace rure {

// What the controller and the engine need from the view that shows the video.
// Every member must be called on the GUI thread.
class VideoView {
public:
    virtual ~VideoView() = default;

    // Creates the engine's render context for `handle` with this view's GL
    // context current. Returns the engine's status; negative means failure and
    // leaves the view detached.
    virtual int configureWithMPV(mpv_handle* handle) = 0;

    // Frees the render context (with the GL context current) after clearing its
    // update callback. Safe when detached.
    virtual void shutdownRenderContext() = 0;

    // Whether a render context exists.
    virtual bool isAttached() const = 0;

    // Drops the picture a detached view still shows, so that the view is
    // black until an engine draws again. Detaching keeps the last picture on
    // purpose (a rebuilt engine takes over without a black flash); this is
    // for an engine that stops for good.
    virtual void clearPicture() = 0;

    // While hidden, the view is black whatever the engine draws; pictures
    // still arrive and are still reported. For another camera on its way: the
    // last camera's picture must not stand in for it.
    virtual void setPictureHidden(bool hidden) = 0;

    // Keeps the picture on screen until the engine draws a new one from the
    // camera: what it draws meanwhile (black, while it changes streams) is
    // not shown. For a stream loaded again or swapped for another.
    virtual void holdPictureUntilNextFrame() = 0;

    // Called once per new picture of the engine that has been presented.
    virtual void setFrameRenderedHandler(std::function<void()> handler) = 0;
    virtual const std::function<void()>& frameRenderedHandler() const = 0;
};

} // namespace rure
