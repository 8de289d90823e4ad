#pragma once

#include <QString>
#include <QStringList>
#include <QtGlobal>

#include "support/TestCamera.h"

#include <functional>
#include <vector>

class QProcess;

namespace rure::bench {

double median(std::vector<double> values);

// CLOCK_MONOTONIC, the clock the test camera stamps its picture switches with.
qint64 monotonicNanoseconds();

// The value after `--name` on the command line, or `fallback`.
double optionValue(const QStringList& arguments, const QString& name, double fallback);

// The camera the start-up and latency benchmarks play: 1280 x 720 at 30
// frames a second, a key frame every second.
test::TestCamera::Options comparisonCamera();

// Runs `pump` (a turn of the viewer's events, a short sleep) until `done`, for
// at most `seconds`; whether `done` came true.
bool pumpUntil(const std::function<void()>& pump, const std::function<bool()>& done,
               double seconds);

// Sets `viewer` up to run the built viewer with a one-camera list for
// `cameraUrl` in `home`, away from the user's own list and settings.
void prepareViewer(QProcess& viewer, const QString& home, const QString& cameraUrl);

// The same with `cameraList` (a camera list document) as the viewer's list.
void prepareViewerWithList(QProcess& viewer, const QString& home, const QByteArray& cameraList);

} // namespace rure::bench
