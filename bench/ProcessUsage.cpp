#include "ProcessUsage.h"

#include <QFile>
#include <QList>

#include <unistd.h>

namespace rure::bench {

namespace {

double kibibytesField(const QByteArray& line, int prefixLength) {
    return line.mid(prefixLength).trimmed().split(' ').first().toDouble() / 1024.0;
}

} // namespace

std::optional<ProcessUsage> ProcessUsage::of(qint64 pid) {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!stat.open(QIODevice::ReadOnly) || !status.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    ProcessUsage usage;
    const QByteArray line = stat.readAll();
    // The command name may hold spaces; fields are counted after its closing
    // parenthesis, where utime and stime are the 12th and 13th.
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    if (fields.size() <= 12) {
        return std::nullopt;
    }
    const double ticks = static_cast<double>(sysconf(_SC_CLK_TCK));
    usage.cpuSeconds = (fields[11].toDouble() + fields[12].toDouble()) / ticks;
    for (const QByteArray& entry : status.readAll().split('\n')) {
        if (entry.startsWith("VmHWM:")) {
            usage.peakResidentMiB = kibibytesField(entry, 6);
        } else if (entry.startsWith("VmRSS:")) {
            usage.residentMiB = kibibytesField(entry, 6);
        }
    }
    return usage;
}

} // namespace rure::bench
