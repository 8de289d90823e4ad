#pragma once

#include "ZooCase.h"
#include "ZooReport.h"
#include "ZooSettings.h"

namespace rure::bench {

class ZooScreen;

// Plays one camera that is on in a viewer of its own and measures it: first
// picture, latency, the run (steady, stalls or quick reboots) with the window
// checked against the camera's picture switches, then the power losses.
ZooOnRow runOnCase(const ZooCase& zooCase, const ZooSettings& settings, ZooScreen& screen);

} // namespace rure::bench
