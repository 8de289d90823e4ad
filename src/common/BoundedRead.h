#pragma once

#include <QByteArray>

class QIODevice;

namespace rure {

// Moves what `from` has ready into `into`, which may hold at most `limit`
// bytes in all. False, with nothing of the excess kept, once the next byte
// would pass the limit: the reply to read is longer than anything accepted.
// Reads one byte beyond the room, never more, to tell.
bool readBounded(QIODevice& from, QByteArray& into, qsizetype limit);

} // namespace rure
