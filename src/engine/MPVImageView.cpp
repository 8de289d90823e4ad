#include "MPVImageView.h"

#include <mpv/render_gl.h>

#include <QOpenGLFramebufferObject>
#include <QOpenGLFunctions>

namespace rure {

namespace {

// The read-back layout that matches the window's own pixels, so painting the
// picture is a plain copy.
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
constexpr GLenum readBackFormat = 0x80E1; // GL_BGRA
constexpr QImage::Format pictureFormat = QImage::Format_RGB32;
#else
constexpr GLenum readBackFormat = GL_RGBA;
constexpr QImage::Format pictureFormat = QImage::Format_RGBX8888;
#endif

} // namespace

MPVImageView::MPVImageView(QWidget* parent) : MPVPictureView(parent) {}

MPVImageView::~MPVImageView() {
    shutdownRenderContext();
    if (framebuffer_ && makeContextCurrent()) {
        framebuffer_.reset();
        glContext_.doneCurrent();
    }
}

bool MPVImageView::makeContextCurrent() {
    if (!glContext_.isValid()) {
        // A context lost under an attached engine is not replaced: the
        // engine's GL objects belong to the old one.
        if (isAttached()) {
            return false;
        }
        const QSurfaceFormat format = videoSurfaceFormat();
        surface_.setFormat(format);
        surface_.create();
        glContext_.setFormat(format);
        if (!surface_.isValid() || !glContext_.create()) {
            return false;
        }
    }
    return glContext_.makeCurrent(&surface_);
}

MPVRenderContextOrStatus MPVImageView::createRenderContext(mpv_handle* handle) {
    if (!makeContextCurrent()) {
        return MPV_ERROR_UNSUPPORTED;
    }
    MPVRenderContextOrStatus created = createOpenGLRenderContext(handle);
    glContext_.doneCurrent();
    return created;
}

void MPVImageView::freeRenderContext(MPVRenderContext& context) {
    makeContextCurrent();
    context.reset();
    glContext_.doneCurrent();
}

bool MPVImageView::drawPicture(QImage& picture, QSize size) {
    if (!makeContextCurrent()) {
        return false;
    }
    if (!framebuffer_ || framebuffer_->size() != size) {
        framebuffer_ = std::make_unique<QOpenGLFramebufferObject>(size);
    }
    if (!framebuffer_->isValid()) {
        glContext_.doneCurrent();
        return false;
    }
    if (picture.size() != size || picture.format() != pictureFormat) {
        picture = QImage(size, pictureFormat);
    }
    mpv_opengl_fbo fbo{static_cast<int>(framebuffer_->handle()), size.width(), size.height(), 0};
    // Not flipped: the engine then writes the picture's top row first, which
    // is the first row read back. The picture is drawn the moment it is
    // handed over; the GUI thread never waits for a display time the engine
    // planned ahead.
    int blockForTargetTime = 0;
    mpv_render_param params[] = {
        {MPV_RENDER_PARAM_OPENGL_FBO, &fbo},
        {MPV_RENDER_PARAM_BLOCK_FOR_TARGET_TIME, &blockForTargetTime},
        {MPV_RENDER_PARAM_INVALID, nullptr},
    };
    if (mpv_render_context_render(renderContext(), params) < 0) {
        glContext_.doneCurrent();
        return false;
    }
    QOpenGLFunctions* gl = glContext_.functions();
    gl->glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_->handle());
    gl->glPixelStorei(GL_PACK_ALIGNMENT, 4);
    gl->glReadPixels(0, 0, size.width(), size.height(), readBackFormat, GL_UNSIGNED_BYTE,
                     picture.bits());
    gl->glBindFramebuffer(GL_FRAMEBUFFER, 0);
    mpv_render_context_report_swap(renderContext());
    glContext_.doneCurrent();
    return true;
}

void MPVImageView::skipPicture() {
    if (!makeContextCurrent()) {
        return;
    }
    consumeFrameWithoutDrawing(renderContext(), 0, pixelSize());
    glContext_.doneCurrent();
}

} // namespace rure
