// Focus on an area: the focus-area controller owns the selection, the crop
// and the picture's shape; the controller gives it the engine and the window.
#include "AppDelegate.h"

#include "viewer/FocusAreaController.h"
#include "window/ViewerOverlay.h"

namespace rure {

void AppDelegate::toggleFocusArea() {
    if (focusArea_) {
        focusArea_->toggleFocusArea();
    }
}

void AppDelegate::focusSelectionCancelled() {
    if (focusArea_) {
        focusArea_->focusSelectionCancelled();
    }
}

void AppDelegate::focusSelectionCompleted(const QRectF& selection) {
    if (!focusArea_) {
        return;
    }
    // The crop is taken from the latest picture the engine reports.
    PlaybackEngine* engine = supervisor_->engine();
    if (engine) {
        updateWindowAspectRatio(*engine);
        // Chosen over the small stream's picture (the main stream was not
        // there yet), the area is taken in the main stream's pixels: it is
        // the main stream that shows it.
        if (const std::optional<QSize> main = supervisor_->mainPictureWhileSmallPlays()) {
            focusArea_->updateWindowAspectRatio(
                main->width(), main->height(),
                engine->integerProperty("video-params/rotate").value_or(0));
        }
    }
    focusArea_->focusSelectionCompleted(selection, engine != nullptr);
}

void AppDelegate::updateFocusButton() {
    if (overlay_ && focusArea_) {
        overlay_->setFocusButtonState(focusArea_->focusButtonState());
    }
}

void AppDelegate::updateWindowAspectRatio(PlaybackEngine& engine) {
    if (focusArea_) {
        focusArea_->updateWindowAspectRatio(
            engine.integerProperty("video-params/w"), engine.integerProperty("video-params/h"),
            engine.integerProperty("video-params/rotate").value_or(0));
    }
}

const FocusAreaController& AppDelegate::focusArea() const {
    Q_ASSERT(focusArea_);
    return *focusArea_;
}

} // namespace rure
