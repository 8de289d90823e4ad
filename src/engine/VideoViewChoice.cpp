#include "VideoViewChoice.h"

#include "engine/MPVImageView.h"
#include "engine/MPVOpenGLView.h"
#include "engine/MPVRenderSupport.h"
#include "engine/MPVSoftwareView.h"

#include <QDir>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFunctions>

namespace rure {

namespace {

// The renderer of a GL context like the video's; empty when none can be made.
QString openGLRenderer() {
    QOffscreenSurface surface;
    surface.setFormat(videoSurfaceFormat());
    surface.create();
    QOpenGLContext context;
    context.setFormat(videoSurfaceFormat());
    if (!surface.isValid() || !context.create() || !context.makeCurrent(&surface)) {
        return {};
    }
    const auto* name = context.functions()->glGetString(GL_RENDERER);
    QString renderer =
        name != nullptr ? QString::fromLatin1(reinterpret_cast<const char*>(name)) : QString();
    context.doneCurrent();
    return renderer;
}

} // namespace

bool isSoftwareRenderer(const QString& renderer) {
    for (const char* software : {"llvmpipe", "softpipe", "software rasterizer", "swrast"}) {
        if (renderer.contains(QLatin1String(software), Qt::CaseInsensitive)) {
            return true;
        }
    }
    return false;
}

bool hasGraphicsDevice(const QString& directory) {
    const QDir devices(directory);
    return !devices
                .entryList({QStringLiteral("card*"), QStringLiteral("renderD*")},
                           QDir::System | QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot)
                .isEmpty();
}

VideoPresentation videoPresentationFor(const QByteArray& requested, bool graphicsDevice,
                                       const std::function<QString()>& renderer) {
    const QByteArray wanted = requested.trimmed().toLower();
    if (wanted == "opengl") {
        return VideoPresentation::openGLWidget;
    }
    if (wanted == "image") {
        return VideoPresentation::image;
    }
    if (wanted == "software") {
        return VideoPresentation::software;
    }
    if (!graphicsDevice) {
        return VideoPresentation::software;
    }
    // No GL context to be had at all: the software renderer needs none.
    const QString name = renderer();
    return name.isEmpty() || isSoftwareRenderer(name) ? VideoPresentation::software
                                                      : VideoPresentation::openGLWidget;
}

bool mayPresentWithOpenGLWidget(const QByteArray& requested, bool graphicsDevice) {
    // Any renderer but a software rasteriser gets the GL widget.
    const auto hardwareRenderer = [] { return QStringLiteral("a graphics device's renderer"); };
    return videoPresentationFor(requested, graphicsDevice, hardwareRenderer) ==
           VideoPresentation::openGLWidget;
}

bool mayPresentWithOpenGLWidget() {
    return mayPresentWithOpenGLWidget(qgetenv("RURE_VIDEO_VIEW"), hasGraphicsDevice());
}

VideoPresentation preferredVideoPresentation() {
    static const VideoPresentation preferred =
        videoPresentationFor(qgetenv("RURE_VIDEO_VIEW"), hasGraphicsDevice(), openGLRenderer);
    return preferred;
}

CreatedVideoView createVideoView(VideoPresentation presentation, QWidget* parent) {
    if (presentation == VideoPresentation::image) {
        auto* view = new MPVImageView(parent);
        return {view, view};
    }
    if (presentation == VideoPresentation::software) {
        auto* view = new MPVSoftwareView(parent);
        return {view, view};
    }
    auto* view = new MPVOpenGLView(parent);
    return {view, view};
}

} // namespace rure
