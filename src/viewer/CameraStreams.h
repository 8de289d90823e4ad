#pragma once

#include "config/Camera.h"
#include "viewer/StreamChoice.h"

#include <QHash>
#include <QSize>
#include <QString>

#include <functional>
#include <optional>

namespace rure {

// What the window asks of the picture.
struct StreamNeeds {
    // The picture's area on the screen, in device pixels.
    QSize shownArea;
    // The temporary maximum, full screen, a focused area or a snapshot.
    bool mainRequired = false;
};

// Which of the selected camera's two streams plays. Knows the main stream's
// picture size of each camera it has seen (from `memory`, which keeps them
// from one run to the next) and whether the selected camera's small stream
// failed since it was chosen.
class CameraStreams {
public:
    // Where the main streams' picture sizes are kept, by address.
    struct Memory {
        std::function<std::optional<QSize>(const QString& address)> recall;
        std::function<void(const QString& address, QSize size)> remember;
    };
    void setMemory(Memory memory) { memory_ = std::move(memory); }

    // Another camera is chosen, or the list changed: the main stream until
    // the rule says otherwise, and the small stream gets a fresh chance.
    void cameraChosen();
    CameraStream playing() const { return playing_; }
    // The stream whose pictures are on screen: the one loaded last, once it
    // has shown one, and until then the one before.
    CameraStream shown() const { return shown_; }
    // The chosen stream is being loaded, and has shown its first picture.
    void loading() { loading_ = playing_; }
    void pictureShown() { shown_ = loading_; }
    // Chooses for `camera` shown as `needs` says; true when the choice changed.
    bool choose(const Camera& camera, const StreamNeeds& needs);
    // The address of the stream that plays.
    const QString& address(const Camera& camera) const;
    // The main stream showed a picture of `size`.
    void mainPictureSeen(const Camera& camera, QSize size);
    std::optional<QSize> mainPicture(const Camera& camera) const;
    // The small stream brought no picture: the main one plays until the
    // camera is chosen again or the small stream is given another chance.
    void smallStreamFailed();
    // The network or the machine changed under a failed small stream.
    void giveSmallStreamAnotherChance() { smallFailed_ = false; }

private:
    bool smallStreamUsable(const Camera& camera) const;

    CameraStream playing_ = CameraStream::main;
    CameraStream loading_ = CameraStream::main;
    CameraStream shown_ = CameraStream::main;
    bool smallFailed_ = false;
    QHash<QString, QSize> mainPictures_;
    Memory memory_;
};

} // namespace rure
