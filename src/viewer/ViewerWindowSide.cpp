#include "ViewerWindowSide.h"

#include "window/CamerasMenu.h"
#include "window/DraggableContentView.h"

#include <QMenu>

namespace rure {

ViewerWindowSide::ViewerWindowSide(Scheduler& scheduler, VideoPresentation presentation,
                                   std::function<void(const QRect&)> saveFrame,
                                   FocusAreaHooks focusHooks)
    : window_(std::make_unique<ViewerWindow>()),
      picture_(createVideoView(presentation, window_->contentView())),
      frame_(std::make_unique<WindowFrameController>(*window_, scheduler, std::move(saveFrame))) {
    auto* surface = new DraggableContentView(window_->contentView());
    window_->setPictureLayers(picture_.widget, surface);
    surface->installEventFilter(window_.get());
    overlay_ = std::make_unique<ViewerOverlay>(*window_->contentView());
    focusArea_ = std::make_unique<FocusAreaController>(*window_, *surface, std::move(focusHooks));
}

ViewerWindowSide::~ViewerWindowSide() = default;

void ViewerWindowSide::installMenu(const std::vector<MainMenuCommand>& commands,
                                   const QString& camerasTitle) {
    Q_ASSERT(!menu_);
    menu_ = std::make_unique<ViewerMainMenu>(*window_, commands);
    if (QMenu* cameras = menu_->submenu(camerasTitle)) {
        camerasMenu_ = new CamerasMenu(*cameras);
    }
    // The pop-up keeps the controls up while it is open, like the camera menu.
    overlay_->trackMenu(*menu_->popupMenu());
    menu_->refresh();
}

} // namespace rure
