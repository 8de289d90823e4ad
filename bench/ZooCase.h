#pragma once

#include "support/TestCamera.h"

#include <QString>

#include <optional>
#include <vector>

namespace rure::bench {

enum class ZooCaseKind {
    steady,       // plays for the given minutes, then loses power a few times
    stalls,       // ten short stalls of a camera that keeps its connections
    quickReboots, // killed and back a few seconds later, again and again
    refusing,     // off: nothing listens on the camera's port
    silent,       // off: the port accepts and never answers
    unresolvable, // off: the camera's name does not resolve
};

// One camera of the zoo: how the test camera is started to behave like a kind
// of real camera, and what of it the zoo measures.
struct ZooCase {
    QString name;
    QString summary; // what the camera does, for --list and the table's legend
    ZooCaseKind kind = ZooCaseKind::steady;
    test::TestCameraOptions camera;
    // The longest regular wait between two pictures of the camera in seconds:
    // a frame period, or the gap between pictures while it is still.
    double pictureGap = 1.0 / 30;
    // Whether glass-to-glass latency means anything for the camera: not when
    // it sends a picture only now and then.
    bool measuresLatency = true;

    bool isOff() const;
};

// Every case, in the order a full run takes them.
std::vector<ZooCase> zooCases();
std::optional<ZooCase> zooCaseNamed(const QString& name);

} // namespace rure::bench
