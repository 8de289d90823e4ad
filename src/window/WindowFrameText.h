#pragma once

#include <QRect>
#include <QString>

#include <optional>

namespace rure {

// The one text form of a saved window frame: "x y width height" in integers.
QString windowFrameText(const QRect& frame);

// Reads a saved frame; nothing when the text is not four integers with a
// positive width and height.
std::optional<QRect> windowFrameFromText(const QString& text);

} // namespace rure
