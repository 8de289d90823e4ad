#pragma once

#include "engine/VideoViewChoice.h"
#include "viewer/FocusAreaController.h"
#include "window/ViewerMainMenu.h"
#include "window/ViewerOverlay.h"
#include "window/ViewerWindow.h"
#include "window/WindowFrameController.h"

#include <memory>
#include <vector>

namespace rure {

class CamerasMenu;
class DraggableContentView;

// The viewer window and everything that lives and dies with it: the picture,
// the pointer surface over it, the controls over the picture, the focus area,
// the window's frame and the main menu. Built together and held by one owner.
// The window is the first member, so that the controllers that drive its
// widgets are destroyed before it: they hold plain references.
class ViewerWindowSide {
public:
    // The window with a picture of `presentation` (back to front: the
    // picture, the pointer surface, the controls) and its controllers;
    // `saveFrame` stores a frame worth keeping.
    ViewerWindowSide(Scheduler& scheduler, VideoPresentation presentation,
                     std::function<void(const QRect&)> saveFrame, FocusAreaHooks focusHooks);
    ~ViewerWindowSide();
    ViewerWindowSide(const ViewerWindowSide&) = delete;
    ViewerWindowSide& operator=(const ViewerWindowSide&) = delete;

    // The main menu, with its commands; once.
    void installMenu(const std::vector<MainMenuCommand>& commands, const QString& camerasTitle);

    ViewerWindow& window() const { return *window_; }
    DraggableContentView& pointerSurface() const { return *window_->pointerSurface(); }
    const CreatedVideoView& picture() const { return picture_; }
    ViewerOverlay& overlay() const { return *overlay_; }
    FocusAreaController& focusArea() const { return *focusArea_; }
    WindowFrameController& frame() const { return *frame_; }
    // Once installed.
    ViewerMainMenu* menu() const { return menu_.get(); }
    CamerasMenu* camerasMenu() const { return camerasMenu_; }

private:
    std::unique_ptr<ViewerWindow> window_;
    // Children of the window.
    CreatedVideoView picture_;
    std::unique_ptr<WindowFrameController> frame_;
    std::unique_ptr<ViewerOverlay> overlay_;
    std::unique_ptr<FocusAreaController> focusArea_;
    std::unique_ptr<ViewerMainMenu> menu_;
    // Owned by its submenu.
    CamerasMenu* camerasMenu_ = nullptr;
};

} // namespace rure
