#pragma once

#include "engine/MPVPictureView.h"

#include <QOffscreenSurface>
#include <QOpenGLContext>

#include <memory>

class QOpenGLFramebufferObject;

namespace rure {

// The engine draws each picture with OpenGL into an off-screen framebuffer of
// the view's own GL context; the view reads it back and paints it. Meant for
// software OpenGL, where composing a QOpenGLWidget into the window costs more
// than the video; chosen only on request (RURE_VIDEO_VIEW=image), since the
// engine's software renderer (MPVSoftwareView) does the same for less.
class MPVImageView final : public MPVPictureView {
    Q_OBJECT

public:
    // The view has its own GL context, so it attaches whether shown or not;
    // attaching fails with MPV_ERROR_UNSUPPORTED when no GL context can be made.
    explicit MPVImageView(QWidget* parent = nullptr);
    ~MPVImageView() override;

protected:
    MPVRenderContextOrStatus createRenderContext(mpv_handle* handle) override;
    void freeRenderContext(MPVRenderContext& context) override;
    bool drawPicture(QImage& picture, QSize size) override;
    void skipPicture() override;

private:
    bool makeContextCurrent();

    QOffscreenSurface surface_;
    QOpenGLContext glContext_;
    std::unique_ptr<QOpenGLFramebufferObject> framebuffer_;
};

} // namespace rure
