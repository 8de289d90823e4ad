#pragma once

#include "engine/MPVRenderContext.h"
#include "engine/MPVRenderSupport.h"
#include "engine/VideoView.h"

#include <QImage>
#include <QWidget>

#include <atomic>
#include <cstdint>
#include <functional>

namespace rure {

// A video view that paints the engine's picture as an image, like any other
// widget: the engine draws each picture into memory at the view's pixel size,
// and the view paints it. How the engine draws (software OpenGL read back, or
// the engine's own software renderer) is the subclass's.
//
// The frame handler is called once for each new picture of the engine after
// it has been painted to the window; repaints caused by resizing or exposure,
// and the engine's own redraws, never count. A view nobody can see draws
// nothing, but its pictures still count. The view ignores the pointer.
class MPVPictureView : public QWidget, public VideoView {
    Q_OBJECT

public:
    explicit MPVPictureView(QWidget* parent = nullptr);

    int configureWithMPV(mpv_handle* handle) final;
    void shutdownRenderContext() final;
    bool isAttached() const final { return renderContext_ != nullptr; }
    void clearPicture() final;
    void setPictureHidden(bool hidden) final;
    void holdPictureUntilNextFrame() final;
    void setFrameRenderedHandler(std::function<void()> handler) final;
    const std::function<void()>& frameRenderedHandler() const final;

    // GUI thread; posted by rure_picture_render_update whenever the engine's
    // rendering state changed.
    void consumeRenderUpdates();

    // The picture last drawn, in device pixels; null before the first picture,
    // and once the view is resized while detached.
    const QImage& picture() const { return picture_; }

    // When the engine last told the view it had something new (CLOCK_MONOTONIC
    // nanoseconds, noted on the engine's thread before the view hears of it);
    // for benchmarks that follow a picture on its way. Any thread.
    std::int64_t lastEngineUpdateNanoseconds() const { return lastEngineUpdate_.load(); }
    void noteEngineUpdate();

protected:
    // Subclasses free their render context in their own destructor: by the
    // time this one runs, they are gone.
    ~MPVPictureView() override;

    // Creates the render context for `handle`.
    virtual MPVRenderContextOrStatus createRenderContext(mpv_handle* handle) = 0;
    // Resets `context`, the view's own, with whatever its renderer needs current.
    virtual void freeRenderContext(MPVRenderContext& context) = 0;
    // Draws the engine's current picture into `picture` at `size` and reports
    // the swap; false when nothing could be drawn.
    virtual bool drawPicture(QImage& picture, QSize size) = 0;
    // Takes the announced frame off the engine's queue without drawing it.
    virtual void skipPicture() = 0;

    // Null once the view is detached, and while its context is being freed.
    mpv_render_context* renderContext() const { return renderContext_.get(); }
    QSize pixelSize() const;

    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    bool renderPicture();
    // renderPicture at a new size, outside the engine's own update.
    void redrawForNewSize();

    MPVRenderContext renderContext_;
    NewPictureFilter newPictures_;
    QImage picture_;
    bool pictureHidden_ = false;
    bool holdingPicture_ = false;
    std::function<void()> frameRenderedHandler_;
    std::atomic<std::int64_t> lastEngineUpdate_{0};
};

} // namespace rure

// Engine callback of the picture views. Any thread: posts consumeRenderUpdates
// to the view (`ctx`) on the GUI thread; the posted call is dropped if the view
// is destroyed first.
void rure_picture_render_update(void* ctx);
