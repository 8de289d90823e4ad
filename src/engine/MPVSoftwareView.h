#pragma once

#include "engine/MPVPictureView.h"

namespace rure {

// The engine's software renderer converts and scales each picture straight
// into memory in the window's own pixel layout, which the view paints: no
// OpenGL at all. The view for machines without a GPU: compared with drawing
// through software OpenGL and reading the picture back, it skips the
// rasteriser, the framebuffer and the read-back.
class MPVSoftwareView final : public MPVPictureView {
    Q_OBJECT

public:
    explicit MPVSoftwareView(QWidget* parent = nullptr);
    ~MPVSoftwareView() override;

protected:
    int createRenderContext(mpv_handle* handle, mpv_render_context** created) override;
    void freeRenderContext(mpv_render_context*& context) override;
    bool drawPicture(QImage& picture, QSize size) override;
    void skipPicture() override;
};

} // namespace rure
