#pragma once

#include "common/Scheduler.h"

#include <QObject>
#include <QPointer>
#include <QRect>

#include <functional>
#include <optional>

class QAbstractAnimation;

namespace rure {

class ViewerWindow;

// The viewer window's frame as the viewer changes it: animated moves, the
// temporary maximum a right click gives and takes back, and the rule for when a
// frame is worth keeping. Storing the frame is the owner's job (`saveFrame`).
// Lives on the GUI thread; does nothing once the window is gone.
class WindowFrameController final : public QObject {
    Q_OBJECT

public:
    static constexpr int animationMilliseconds = 250;
    // How long after the restore starts the maximum counts as over.
    static constexpr Seconds temporaryMaximumRestoreDelay{0.35};

    WindowFrameController(ViewerWindow& window, Scheduler& scheduler,
                          std::function<void(const QRect&)> saveFrame);
    ~WindowFrameController() override;

    // Moves the window to `frame` in a short animation that replaces any running
    // one. Nothing in full screen, nor in the two operations below.
    void setWindowFrameAnimated(const QRect& frame);
    // Enlarges the window to the largest frame with the picture's proportions
    // (`appliedVideoAspectRatio`; the window's own when none) that its screen
    // shows, or animates it back to the frame it had before and saves that one.
    void toggleTemporaryMaximum(std::optional<double> appliedVideoAspectRatio);
    // Saves the window's frame, except while it is hidden, full screen or
    // temporarily maximised.
    void saveWindowFrame();

    bool isTemporarilyMaximized() const { return isTemporarilyMaximized_; }
    std::optional<QRect> restoreFrameBeforeTemporaryMaximum() const {
        return restoreFrameBeforeTemporaryMaximum_;
    }
    bool isAnimating() const;

private:
    ViewerWindow& window_;
    Scheduler& scheduler_;
    std::function<void(const QRect&)> saveFrame_;
    std::optional<QRect> restoreFrameBeforeTemporaryMaximum_;
    bool isTemporarilyMaximized_ = false;
    QPointer<QAbstractAnimation> windowFrameAnimation_;
    TaskHandle temporaryMaximumRestore_;
};

} // namespace rure
