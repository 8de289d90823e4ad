// Focus on an area: the focus-area controller owns the selection, the crop
// and the picture's shape; the controller gives it the engine and the window.
#include "AppDelegate.h"

#include "viewer/ViewerWindowSide.h"

namespace rure {

void AppDelegate::toggleFocusArea() {
    side().focusArea().toggleFocusArea();
}

void AppDelegate::focusSelectionCompleted(const QRectF& selection) {
    FocusAreaController& focusArea = side().focusArea();
    // The crop is taken from the latest picture the engine reports.
    PlaybackEngine* engine = supervisor_->engine();
    if (engine) {
        updateWindowAspectRatio(*engine);
        // Chosen over the small stream's picture (the main stream was not
        // there yet), the area is taken in the main stream's pixels: it is
        // the main stream that shows it.
        if (const std::optional<QSize> main = supervisor_->mainPictureWhileSmallPlays()) {
            focusArea.updateWindowAspectRatio(
                main->width(), main->height(),
                engine->integerProperty("video-params/rotate").value_or(0));
        }
    }
    focusArea.focusSelectionCompleted(selection, engine != nullptr);
}

void AppDelegate::updateWindowAspectRatio(PlaybackEngine& engine) {
    side().focusArea().updateWindowAspectRatio(
        engine.integerProperty("video-params/w"), engine.integerProperty("video-params/h"),
        engine.integerProperty("video-params/rotate").value_or(0));
}

const FocusAreaController& AppDelegate::focusArea() const {
    return side().focusArea();
}

} // namespace rure
