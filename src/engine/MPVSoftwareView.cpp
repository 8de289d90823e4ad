#include "MPVSoftwareView.h"

#include <mpv/render.h>

#include <cstdlib>
#include <cstring>

namespace rure {

namespace {

// The engine's name for the layout of QImage::Format_RGB32 in memory, so that
// painting the picture is a plain copy: blue, green, red, then an unused byte
// on little-endian machines.
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
constexpr char pictureLayout[] = "bgr0";
#else
constexpr char pictureLayout[] = "0rgb";
#endif

// The engine converts fastest into lines and buffers that start on a 64-byte
// boundary; otherwise it may copy the whole picture once more.
constexpr qsizetype pictureAlignment = 64;

void freeAlignedPicture(void* data) {
    std::free(data);
}

// A picture of `size` whose lines start on the engine's preferred boundary;
// null when the memory cannot be had.
QImage alignedPicture(QSize size) {
    const qsizetype lineBytes =
        (qsizetype(size.width()) * 4 + pictureAlignment - 1) / pictureAlignment * pictureAlignment;
    const size_t bytes = size_t(lineBytes) * size_t(size.height());
    void* data = std::aligned_alloc(pictureAlignment, bytes);
    if (data == nullptr) {
        return {};
    }
    // Black until the engine draws: a render that fails shows black, never
    // whatever the memory held.
    std::memset(data, 0, bytes);
    QImage picture(static_cast<uchar*>(data), size.width(), size.height(), lineBytes,
                   QImage::Format_RGB32, freeAlignedPicture, data);
    if (picture.isNull()) {
        std::free(data);
    }
    return picture;
}

} // namespace

MPVSoftwareView::MPVSoftwareView(QWidget* parent) : MPVPictureView(parent) {}

MPVSoftwareView::~MPVSoftwareView() {
    shutdownRenderContext();
}

MPVRenderContextOrStatus MPVSoftwareView::createRenderContext(mpv_handle* handle) {
    mpv_render_param params[] = {
        {MPV_RENDER_PARAM_API_TYPE, const_cast<char*>(MPV_RENDER_API_TYPE_SW)},
        {MPV_RENDER_PARAM_INVALID, nullptr},
    };
    return createMPVRenderContext(handle, params);
}

void MPVSoftwareView::freeRenderContext(MPVRenderContext& context) {
    // No GL context has to be current to free the software renderer.
    context.reset();
}

bool MPVSoftwareView::drawPicture(QImage& picture, QSize size) {
    // A picture still shared with a reader is left to it; the engine draws into
    // fresh memory instead.
    if (picture.size() != size || !picture.isDetached()) {
        picture = alignedPicture(size);
        if (picture.isNull()) {
            return false;
        }
    }
    int surfaceSize[2] = {size.width(), size.height()};
    size_t stride = size_t(picture.bytesPerLine());
    // The picture is drawn the moment it is handed over; the GUI thread never
    // waits for a display time the engine planned ahead.
    int blockForTargetTime = 0;
    mpv_render_param params[] = {
        {MPV_RENDER_PARAM_SW_SIZE, surfaceSize},
        {MPV_RENDER_PARAM_SW_FORMAT, const_cast<char*>(pictureLayout)},
        {MPV_RENDER_PARAM_SW_STRIDE, &stride},
        {MPV_RENDER_PARAM_SW_POINTER, picture.bits()},
        {MPV_RENDER_PARAM_BLOCK_FOR_TARGET_TIME, &blockForTargetTime},
        {MPV_RENDER_PARAM_INVALID, nullptr},
    };
    const int status = mpv_render_context_render(renderContext(), params);
    mpv_render_context_report_swap(renderContext());
    return status >= 0;
}

void MPVSoftwareView::skipPicture() {
    consumeFrameWithoutDrawing(renderContext());
}

} // namespace rure
