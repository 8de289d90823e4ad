#include "ZooConnectAudit.h"

#include <QFile>

namespace rure::bench {

namespace {

constexpr int domainPort = 53;

} // namespace

ZooAuditCounts ZooAuditCounts::read(const QString& path, int port) {
    ZooAuditCounts counts;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return counts;
    }
    // "<call> <address> <port>" or "lookup <name>".
    for (const QByteArray& line : file.readAll().split('\n')) {
        const QList<QByteArray> fields = line.split(' ');
        if (fields.size() == 2 && fields[0] == "lookup") {
            ++counts.lookups;
            const QString name = QString::fromUtf8(fields[1]);
            if (!counts.names.contains(name)) {
                counts.names << name;
            }
        } else if (fields.size() == 3) {
            const int to = fields[2].toInt();
            if (fields[0] == "connect" && to == port) {
                ++counts.connects;
            }
            if (to == domainPort) {
                ++counts.nameQueries;
            }
        }
    }
    return counts;
}

} // namespace rure::bench
