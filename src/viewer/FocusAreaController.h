#pragma once

#include "viewer/VideoFocusCrop.h"
#include "viewer/VideoSourceGeometry.h"
#include "window/FocusButtonState.h"

#include <QRect>
#include <QRectF>
#include <QString>

#include <cstdint>
#include <functional>
#include <optional>

namespace rure {

class DraggableContentView;
class ViewerWindow;

// What the focus area asks of its owner.
struct FocusAreaHooks {
    // Sets a property of the running engine; nothing without one.
    std::function<void(const QString& name, const QString& value)> setEngineProperty;
    // Moves the window to `frame`, animated.
    std::function<void(const QRect& frame)> animateWindowFrame;
    // Tells the user why no area could be shown.
    std::function<void(const QString& message)> showError;
    // The selection or the crop changed: the focus button and the controls follow.
    std::function<void()> stateChanged;
};

// Focus on an area, and the picture's shape it works from. Follows the shape
// of the decoded picture in the window's aspect ratio; turns the area the user
// drags out over the picture into a crop of the picture, which the window then
// takes the proportions of; shows the whole picture in that window for a while
// on request; and brings back the original view and frame. Lives on the GUI
// thread; does nothing to the window or the selection view once they are gone.
class FocusAreaController final {
public:
    // While a crop is shown the window may take almost any shape.
    static constexpr QSize focusedMinimumSize{160, 160};

    FocusAreaController(ViewerWindow& window, DraggableContentView& selectionView,
                        FocusAreaHooks hooks);

    // The focus button: starts a selection, cancels it, or ends the crop.
    void toggleFocusArea();
    // The selection view's report of a finished selection. Without an engine the
    // selection just ends; without a picture to crop the user is asked to wait.
    void focusSelectionCompleted(const QRectF& selection, bool engineIsRunning);
    void focusSelectionCancelled();
    // Cancels a selection in progress, as the user would.
    void cancelFocusSelection();
    // Sets the engine's crop; with `reshapeWindow`, the window takes the crop's shape.
    void applyFocusedCameraView(const VideoFocusCrop& crop, bool reshapeWindow);
    void restoreOriginalCameraView();
    // A secondary click with a crop applied: the whole picture in the cropped
    // window, then the crop again. Nothing without a crop.
    void toggleFullCameraTemporarily();
    // Another camera is loaded: the original view comes back first, and the
    // picture's shape is learnt afresh.
    void cameraWillLoad();
    // The same camera is loaded again (a recovery, perhaps into a new
    // engine): the focused area and the window's frame stay, and the engine
    // is given the view again.
    void cameraWillReload();
    // The window entered or left full screen: on a screen of another shape the
    // picture keeps its proportions (black bars) instead of filling it.
    void fullScreenChanged(bool fullScreen);
    // The viewer is closing: a selection ends without a word.
    void viewerWillClose();

    // The picture the engine reports (unreadable sizes as none; the rotation
    // in degrees as reported). The window follows a plausible new shape unless
    // a crop decides it; a picture of another size than the crop was made on
    // ends the crop.
    void updateWindowAspectRatio(std::optional<int64_t> width, std::optional<int64_t> height,
                                 int64_t rotation);

    const std::optional<VideoFocusCrop>& focusCrop() const { return focusCrop_; }
    bool isSelectingFocusArea() const { return isSelectingFocusArea_; }
    bool isShowingFullCameraTemporarily() const { return isShowingFullCameraTemporarily_; }
    std::optional<QRect> restoreFrameBeforeFocus() const { return restoreFrameBeforeFocus_; }
    std::optional<VideoSourceGeometry> sourceVideoGeometry() const { return sourceVideoGeometry_; }
    // The width : height the window holds for the picture; none while a crop
    // decides the shape or before a picture.
    std::optional<double> appliedVideoAspectRatio() const { return appliedVideoAspectRatio_; }
    FocusButtonState focusButtonState() const;

private:
    void failFocusSelection();
    // Gives the engine the view the state calls for: the crop, or the whole
    // picture, filling the window or in its own proportions.
    void applyViewToEngine();
    void setEngineProperties(const QString& crop, const QString& keepAspect,
                             const QString& panScan);

    // Both outlive this controller.
    ViewerWindow& window_;
    DraggableContentView& selectionView_;
    FocusAreaHooks hooks_;
    std::optional<VideoFocusCrop> focusCrop_;
    bool isSelectingFocusArea_ = false;
    bool isShowingFullCameraTemporarily_ = false;
    bool fullScreen_ = false;
    std::optional<QRect> restoreFrameBeforeFocus_;
    std::optional<VideoSourceGeometry> sourceVideoGeometry_;
    std::optional<double> appliedVideoAspectRatio_;
    // The same camera was loaded again: the engine is given the view again
    // with its first picture.
    bool viewIsOwedToEngine_ = false;
};

} // namespace rure
