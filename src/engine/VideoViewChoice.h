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
    // The engine's software renderer draws into memory that is painted as an
    // image: no OpenGL at all. The view for machines without a GPU.
    software,
};

// Whether an OpenGL renderer string names a software rasteriser.
bool isSoftwareRenderer(const QString& renderer);

// Whether the machine has a graphics device of the kernel's (an entry of
// /dev/dri, or of `directory`). Without one, OpenGL can only be a software
// rasteriser.
bool hasGraphicsDevice(const QString& directory = QStringLiteral("/dev/dri"));

// The presentation asked for by `requested` (the value of RURE_VIDEO_VIEW:
// "opengl", "image" or "software", any case, spaces ignored), otherwise the
// one that suits the machine: the software renderer without a graphics device
// or with a software rasteriser, the GL widget for anything else. `renderer`
// names the OpenGL renderer and is asked only when a device exists.
VideoPresentation videoPresentationFor(const QByteArray& requested, bool graphicsDevice,
                                       const std::function<QString()>& renderer);

// Whether `videoPresentationFor(requested, graphicsDevice, ...)` may choose
// the GL widget, whatever the renderer turns out to be: answerable before the
// application exists, without a GL context.
bool mayPresentWithOpenGLWidget(const QByteArray& requested, bool graphicsDevice);
// The same for this machine (RURE_VIDEO_VIEW and /dev/dri). Only then does the
// application share GL contexts between windows (Qt::AA_ShareOpenGLContexts),
// which makes Qt create a GL context as it starts: with the software rasteriser
// of a machine without a GPU that context cost about 50 ms of start-up and
// 57 MiB of resident memory (the OpenGL driver and LLVM) for a view that
// never draws with OpenGL.
bool mayPresentWithOpenGLWidget();
// The presentation for this machine, as above. Learning the OpenGL renderer
// takes a GL context (about 0.1 s with a software rasteriser), so it is asked
// only where a graphics device exists; the answer is kept for the process.
VideoPresentation preferredVideoPresentation();

struct CreatedVideoView {
    QWidget* widget = nullptr;
    VideoView* view = nullptr; // the same object as `widget`
};

CreatedVideoView createVideoView(VideoPresentation presentation, QWidget* parent);

} // namespace rure
