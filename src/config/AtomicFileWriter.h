#pragma once

#include "common/Result.h"

#include <QByteArray>
#include <QString>

#include <functional>

namespace rure {

// Replaces the file at `destination` with `bytes` so that readers see either the
// old or the new content, never a mix: the bytes go to a temporary file (mode 0600
// from its creation) in the destination's directory, are flushed to disk, and the
// temporary is renamed over the destination. On failure the temporary is removed
// and the destination is left as it was. The destination's directory must exist.
Result<void> writeFileAtomically(const QByteArray& bytes, const QString& destination);

// Writes `bytes` as a new file in `directory` under the first of the names
// `nameForAttempt(0)`, `nameForAttempt(1)`... (at most `attempts` of them)
// that nothing uses yet, and answers its path. Never replaces anything, also
// when another writer takes a name at the same moment, and readers see the
// file whole or not at all: the bytes go to a temporary file (mode 0600 from
// its creation) that is flushed, then given the name in one step. The
// directory must exist.
Result<QString> writeNewFileAtomically(const QByteArray& bytes, const QString& directory,
                                       const std::function<QString(int attempt)>& nameForAttempt,
                                       int attempts);

} // namespace rure
