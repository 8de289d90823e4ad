#include "SoakProcessSample.h"

#include "SoakTimeline.h"

#include <QDir>
#include <QFile>

namespace rure::bench {

namespace {

int entryCount(const QString& directory) {
    return static_cast<int>(
        QDir(directory).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System).size());
}

} // namespace

SoakProcessSample SoakProcessSample::take() {
    SoakProcessSample sample;
    sample.seconds = SoakTimeline::now();
    QFile status(QStringLiteral("/proc/self/status"));
    if (status.open(QIODevice::ReadOnly)) {
        for (const QByteArray& line : status.readAll().split('\n')) {
            if (line.startsWith("VmRSS:")) {
                sample.residentKiB = line.mid(6).trimmed().split(' ').first().toLong();
            } else if (line.startsWith("Threads:")) {
                sample.threads = line.mid(8).trimmed().toInt();
            }
        }
    }
    // The listing itself holds one descriptor open on the directory.
    sample.descriptors = entryCount(QStringLiteral("/proc/self/fd")) - 1;
    return sample;
}

} // namespace rure::bench
