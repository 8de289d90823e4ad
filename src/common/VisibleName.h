#pragma once

#include <QString>

namespace rure {

// A camera's name as it is shown, wherever it is shown (the picker, its menu,
// the camera editor, alerts and status lines): every character that draws
// nothing of its own and can make one name pass for another appears as its
// code point in brackets, "[U+202E]". These are the formatting characters
// (Unicode category Cf: the bidirectional overrides, embeddings, isolates and
// marks, the zero-width space, joiners and word joiner, the byte order mark,
// the tag characters...), the control characters (Cc) and the line and
// paragraph separators (Zl, Zp). Everything else is shown as stored; the
// stored name itself never changes.
QString visibleName(const QString& name);

} // namespace rure
