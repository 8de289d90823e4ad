#include "MPVSoftwareView.h"

#include "engine/MPVRenderSupport.h"

#include <mpv/render.h>

#include <QPainter>

#include <algorithm>
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

MPVSoftwareView::MPVSoftwareView(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::NoFocus);
}

MPVSoftwareView::~MPVSoftwareView() {
    shutdownRenderContext();
}

int MPVSoftwareView::configureWithMPV(mpv_handle* handle) {
    Q_ASSERT_X(onMainThread(), "MPVSoftwareView",
               "The renderer must be created on the main thread.");
    if (renderContext_ != nullptr) {
        shutdownRenderContext();
    }
    mpv_render_param params[] = {
        {MPV_RENDER_PARAM_API_TYPE, const_cast<char*>(MPV_RENDER_API_TYPE_SW)},
        {MPV_RENDER_PARAM_INVALID, nullptr},
    };
    mpv_render_context* created = nullptr;
    const int status = mpv_render_context_create(&created, handle, params);
    if (status >= 0) {
        renderContext_ = created;
        newPictures_ = {};
        mpv_render_context_set_update_callback(renderContext_, rure_software_render_update, this);
    }
    return status;
}

QSize MPVSoftwareView::pixelSize() const {
    const qreal ratio = devicePixelRatioF();
    return {std::max(1, qRound(width() * ratio)), std::max(1, qRound(height() * ratio))};
}

void MPVSoftwareView::consumeRenderUpdates() {
    if (renderContext_ == nullptr) {
        return;
    }
    if ((mpv_render_context_update(renderContext_) & MPV_RENDER_UPDATE_FRAME) == 0) {
        return;
    }
    // Only a picture the engine decoded from the camera is a heartbeat; its
    // redraws of the last picture are drawn but never counted.
    const bool newVideoFrame = newPictures_.nextFrameIsNew(renderContext_);
    if (!isExposedOnScreen(*this)) {
        rure::consumeFrameWithoutDrawing(renderContext_);
    } else {
        if (!renderPicture()) {
            return;
        }
        // Painted and handed to the window system before the heartbeat.
        repaint();
    }
    if (newVideoFrame) {
        callFrameRenderedHandler(frameRenderedHandler_);
    }
}

bool MPVSoftwareView::renderPicture() {
    const QSize size = pixelSize();
    // A picture still shared with a reader is left to it; the engine draws into
    // fresh memory instead.
    if (picture_.size() != size || !picture_.isDetached()) {
        picture_ = alignedPicture(size);
        if (picture_.isNull()) {
            return false;
        }
    }
    int surfaceSize[2] = {size.width(), size.height()};
    size_t stride = size_t(picture_.bytesPerLine());
    // The picture is shown the moment it is decoded; the GUI thread never
    // waits for a display time the engine planned ahead.
    int blockForTargetTime = 0;
    mpv_render_param params[] = {
        {MPV_RENDER_PARAM_SW_SIZE, surfaceSize},
        {MPV_RENDER_PARAM_SW_FORMAT, const_cast<char*>(pictureLayout)},
        {MPV_RENDER_PARAM_SW_STRIDE, &stride},
        {MPV_RENDER_PARAM_SW_POINTER, picture_.bits()},
        {MPV_RENDER_PARAM_BLOCK_FOR_TARGET_TIME, &blockForTargetTime},
        {MPV_RENDER_PARAM_INVALID, nullptr},
    };
    const int status = mpv_render_context_render(renderContext_, params);
    mpv_render_context_report_swap(renderContext_);
    picture_.setDevicePixelRatio(devicePixelRatioF());
    return status >= 0;
}

void MPVSoftwareView::redrawForNewSize() {
    // A new picture the engine has waiting is drawn here rather than by the
    // pending consumeRenderUpdates, which will then find none: it still counts,
    // once it is on screen.
    const bool newPicture =
        (mpv_render_context_update(renderContext_) & MPV_RENDER_UPDATE_FRAME) != 0 &&
        newPictures_.nextFrameIsNew(renderContext_);
    if (renderPicture() && newPicture) {
        QMetaObject::invokeMethod(
            this, [this] { callFrameRenderedHandler(frameRenderedHandler_); },
            Qt::QueuedConnection);
    }
}

void MPVSoftwareView::paintEvent(QPaintEvent* /*event*/) {
    // Resized while nobody could see it: the engine's picture at today's size.
    if (renderContext_ != nullptr && !picture_.isNull() && picture_.size() != pixelSize()) {
        redrawForNewSize();
    }
    QPainter painter(this);
    if (picture_.isNull()) {
        painter.fillRect(rect(), Qt::black);
        return;
    }
    // Covers the whole view even when the picture is an older size (a
    // detached view keeps its last picture).
    painter.drawImage(QRectF(rect()), picture_);
}

void MPVSoftwareView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    // The engine's current picture, drawn again at the new size; not a heartbeat.
    if (renderContext_ == nullptr) {
        picture_ = QImage();
    } else if (isExposedOnScreen(*this)) {
        redrawForNewSize();
    }
}

void MPVSoftwareView::clearPicture() {
    if (renderContext_ != nullptr || picture_.isNull()) {
        return;
    }
    picture_ = QImage();
    update();
}

void MPVSoftwareView::shutdownRenderContext() {
    Q_ASSERT_X(onMainThread(), "MPVSoftwareView",
               "The renderer must be destroyed on the main thread.");
    // No GL context has to be current to free the software renderer.
    freeRenderContext(renderContext_);
    // The last picture stays on screen, so that an engine rebuild does not
    // flash black, until the view is resized or the next engine draws.
}

void MPVSoftwareView::setFrameRenderedHandler(std::function<void()> handler) {
    frameRenderedHandler_ = std::move(handler);
}

const std::function<void()>& MPVSoftwareView::frameRenderedHandler() const {
    return frameRenderedHandler_;
}

} // namespace rure

void rure_software_render_update(void* ctx) {
    auto* view = static_cast<rure::MPVSoftwareView*>(ctx);
    QMetaObject::invokeMethod(view, &rure::MPVSoftwareView::consumeRenderUpdates,
                              Qt::QueuedConnection);
}
