#include "BoundedRead.h"

#include <QIODevice>

#include <algorithm>

namespace rure {

bool readBounded(QIODevice& from, QByteArray& into, qsizetype limit) {
    while (from.bytesAvailable() > 0) {
        const qsizetype room = std::max<qsizetype>(limit - into.size(), 0);
        const QByteArray chunk = from.read(room + 1);
        if (chunk.size() > room) {
            return false;
        }
        if (chunk.isEmpty()) {
            break;
        }
        into.append(chunk);
    }
    return true;
}

} // namespace rure
