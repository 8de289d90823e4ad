#pragma once

#include "ZooCase.h"
#include "ZooReport.h"
#include "ZooSettings.h"

namespace rure::bench {

class ZooScreen;

// Leaves a viewer of its own with a camera that is off for the given minutes
// and counts, through the connect audit, how often it knocks and looks the
// camera's name up.
ZooOffRow runOffCase(const ZooCase& zooCase, const ZooSettings& settings, ZooScreen& screen);

} // namespace rure::bench
