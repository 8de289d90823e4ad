#pragma once

#include "common/Result.h"

#include <QByteArray>
#include <QString>

namespace rure {

// Replaces the file at `destination` with `bytes` so that readers see either the
// old or the new content, never a mix: the bytes go to a temporary file (mode 0600
// from its creation) in the destination's directory, are flushed to disk, and the
// temporary is renamed over the destination. On failure the temporary is removed
// and the destination is left as it was. The destination's directory must exist.
Result<void> writeFileAtomically(const QByteArray& bytes, const QString& destination);

} // namespace rure
