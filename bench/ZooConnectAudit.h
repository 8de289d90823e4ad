#pragma once

#include <QString>
#include <QStringList>

namespace rure::bench {

// What the connect audit library recorded so far in one file: connections to
// one port and name look-ups.
struct ZooAuditCounts {
    int connects = 0;    // connect() calls to the port, any address
    int lookups = 0;     // getaddrinfo() calls, any name
    int nameQueries = 0; // connect() or datagrams to port 53 (a resolver at work)
    QStringList names;   // every name looked up, once, in the order first looked up

    // Reads `path` (a missing file counts nothing).
    static ZooAuditCounts read(const QString& path, int port);
};

} // namespace rure::bench
