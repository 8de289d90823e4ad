#pragma once

#include "engine/MPVRenderSupport.h"
#include "engine/VideoView.h"

#include <QImage>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QWidget>

#include <functional>
#include <memory>

class QOpenGLFramebufferObject;
struct mpv_render_context;

namespace rure {

// Shows the attached engine instance's pictures as an image. The engine draws
// each picture with OpenGL into an off-screen framebuffer of the view's own
// GL context; the view reads it back and paints it like any other widget.
//
// This is the view for software OpenGL (Mesa's llvmpipe, no GPU): there, the
// window that holds a QOpenGLWidget is composed by the rasteriser on every
// frame, which costs more than decoding and drawing the picture together,
// while reading a picture back is a plain copy. The frame handler is called
// once for each new picture of the engine after it has been painted to the
// window; repaints caused by resizing or exposure, and the engine's own
// redraws, never count. The view ignores the pointer.
class MPVImageView final : public QWidget, public VideoView {
    Q_OBJECT

public:
    explicit MPVImageView(QWidget* parent = nullptr);
    ~MPVImageView() override;

    // The view has its own GL context, so it attaches whether shown or not.
    // Returns MPV_ERROR_UNSUPPORTED when no GL context can be made.
    int configureWithMPV(mpv_handle* handle) override;
    void shutdownRenderContext() override;
    bool isAttached() const override { return renderContext_ != nullptr; }
    void clearPicture() override;
    void setFrameRenderedHandler(std::function<void()> handler) override;
    const std::function<void()>& frameRenderedHandler() const override;

    // GUI thread; posted by rure_image_render_update whenever the engine's
    // rendering state changed.
    void consumeRenderUpdates();

    // The picture last read back, in device pixels; null before the first
    // picture, and once the view is resized while detached.
    const QImage& picture() const { return picture_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    bool makeContextCurrent();
    QSize pixelSize() const;
    // Draws the engine's current picture at the view's size and reads it back.
    bool renderPicture();
    // renderPicture at a new size, outside the engine's own update.
    void redrawForNewSize();

    QOffscreenSurface surface_;
    QOpenGLContext glContext_;
    std::unique_ptr<QOpenGLFramebufferObject> framebuffer_;
    mpv_render_context* renderContext_ = nullptr;
    NewPictureFilter newPictures_;
    QImage picture_;
    std::function<void()> frameRenderedHandler_;
};

} // namespace rure

// Engine callback of the image view. Any thread: posts consumeRenderUpdates to
// the view (`ctx`) on the GUI thread; the posted call is dropped if the view is
// destroyed first.
void rure_image_render_update(void* ctx);
