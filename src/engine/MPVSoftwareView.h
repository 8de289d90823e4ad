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
    MPVRenderContextOrStatus createRenderContext(mpv_handle* handle) override;
    void freeRenderContext(MPVRenderContext& context) override;
    bool drawPicture(QImage& picture, QSize size) override;
    void skipPicture() override;
};

} // namespace rure
