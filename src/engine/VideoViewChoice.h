#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

class QWidget;

namespace rure {

class VideoView;

// How the video reaches the window.
enum class VideoPresentation {
    // A QOpenGLWidget: the engine draws straight into the widget's framebuffer
    // and the GPU composes it into the window. The view for real GPUs.
    openGLWidget,
    // The engine draws off screen and the picture is painted as an image: for
    // software OpenGL, where composing a GL widget costs more than the video.
    image,
};

// Whether an OpenGL renderer string names a software rasteriser.
bool isSoftwareRenderer(const QString& renderer);

// The presentation asked for by `requested` (the value of RURE_VIDEO_VIEW:
// "opengl" or "image", any case, spaces ignored), otherwise the one that suits
// the renderer that `renderer` names (only asked when needed).
VideoPresentation videoPresentationFor(const QByteArray& requested,
                                       const std::function<QString()>& renderer);

// The presentation for this machine: RURE_VIDEO_VIEW ("opengl" or "image")
// when set, otherwise the image for a software rasteriser and the GL widget
// for anything else. The GL renderer is looked up once per process.
VideoPresentation preferredVideoPresentation();

struct CreatedVideoView {
    QWidget* widget = nullptr;
    VideoView* view = nullptr; // the same object as `widget`
};

CreatedVideoView createVideoView(VideoPresentation presentation, QWidget* parent);

} // namespace rure
