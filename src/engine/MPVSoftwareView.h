#pragma once

#include "engine/MPVRenderSupport.h"
#include "engine/VideoView.h"

#include <QImage>
#include <QWidget>

#include <cstddef>
#include <functional>
#include <memory>

struct mpv_render_context;

namespace rure {

// Shows the attached engine instance's pictures through the engine's software
// renderer: the engine converts and scales each picture straight into memory
// that the view paints like any other widget. No OpenGL context is involved.
//
// This is the view for machines without a GPU. Compared with drawing through
// software OpenGL and reading the picture back, it skips the rasteriser, the
// framebuffer and the read-back: one conversion from the decoded picture into
// the window's own pixel layout, then the usual copy to the window. The frame
// handler is called once for each new picture of the engine after it has been
// painted to the window; repaints caused by resizing or exposure, and the
// engine's own redraws, never count. The view ignores the pointer.
class MPVSoftwareView final : public QWidget, public VideoView {
    Q_OBJECT

public:
    explicit MPVSoftwareView(QWidget* parent = nullptr);
    ~MPVSoftwareView() override;

    int configureWithMPV(mpv_handle* handle) override;
    void shutdownRenderContext() override;
    bool isAttached() const override { return renderContext_ != nullptr; }
    void clearPicture() override;
    void setFrameRenderedHandler(std::function<void()> handler) override;
    const std::function<void()>& frameRenderedHandler() const override;

    // GUI thread; posted by rure_software_render_update whenever the engine's
    // rendering state changed.
    void consumeRenderUpdates();

    // The picture last drawn, in device pixels; null before the first picture,
    // and once the view is resized while detached.
    const QImage& picture() const { return picture_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QSize pixelSize() const;
    // Draws the engine's current picture at the view's size into picture_.
    bool renderPicture();
    // renderPicture at a new size, outside the engine's own update.
    void redrawForNewSize();

    mpv_render_context* renderContext_ = nullptr;
    NewPictureFilter newPictures_;
    QImage picture_;
    std::function<void()> frameRenderedHandler_;
};

} // namespace rure

// Engine callback of the software view. Any thread: posts consumeRenderUpdates
// to the view (`ctx`) on the GUI thread; the posted call is dropped if the view
// is destroyed first.
void rure_software_render_update(void* ctx);
