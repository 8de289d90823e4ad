#pragma once

#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <vector>

class QProcess;

namespace rure::bench {

double median(std::vector<double> values);

// CLOCK_MONOTONIC, the clock the test camera stamps its picture switches with.
qint64 monotonicNanoseconds();

// The value after `--name` on the command line, or `fallback`.
double optionValue(const QStringList& arguments, const QString& name, double fallback);

// Sets `viewer` up to run the built viewer with a one-camera list for
// `cameraUrl` in `home`, away from the user's own list and settings.
void prepareViewer(QProcess& viewer, const QString& home, const QString& cameraUrl);

// The same with `cameraList` (a camera list document) as the viewer's list.
void prepareViewerWithList(QProcess& viewer, const QString& home, const QByteArray& cameraList);

} // namespace rure::bench
