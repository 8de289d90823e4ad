#pragma once

#include <QSize>

namespace rure {

// Which of a camera's two streams the viewer plays.
enum class CameraStream { main, small };

// What decides between them.
struct StreamChoiceInput {
    // The main stream's picture, in pixels; empty until it is known.
    QSize mainPicture;
    // The picture's area on the screen, in device pixels.
    QSize shownArea;
    // The camera has a small stream, and it has not failed since it was chosen.
    bool smallStreamUsable = false;
    // Something needs the full picture: the temporary maximum, full screen, a
    // focused area or a snapshot.
    bool mainRequired = false;
};

// The small stream while the picture is shown at well under the main
// stream's size (below 40 % of its pixels); the main one again once it is
// shown at over 60 %. In between the current stream stays, so that a slow
// resize across the line switches once. The main stream whenever the small
// one cannot serve or the full picture is needed, or its size is not known.
CameraStream chooseStream(const StreamChoiceInput& input, CameraStream current);

} // namespace rure
