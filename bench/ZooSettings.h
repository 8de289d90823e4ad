#pragma once

#include <QString>

namespace rure::bench {

// How long and how thoroughly the zoo measures each case.
struct ZooSettings {
    double minutes = 10;    // each camera that is on
    double offMinutes = 10; // each camera that is off
    int latencySamples = 7; // at the start and at the end of a run
    int powerLosses = 3;    // after the run of a steady camera
    double outageSeconds = 5;
    QString logDirectory; // empty = the viewers' logs are not kept
};

} // namespace rure::bench
