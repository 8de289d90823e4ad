#pragma once

#include <QString>

#include <cstdint>
#include <optional>

namespace rure {

// Older engines (libmpv before 0.37) have no "video-crop" property. The same
// picture comes from a crop filter on the decoded frames: it works on the
// picture before rotation, as the crop text does, and with "keepaspect" off
// the engine stretches its output over the window. (Scaling and panning
// cannot stand in: the engine ignores them while "keepaspect" is off.)
//
// The video filter chain ("vf") for a crop text "<w>x<h>+<x>+<y>" of a
// `width` x `height` picture: an empty chain for an empty text. None when the
// text is malformed or the crop does not lie inside the picture (a filter
// asked to crop outside its input would stop the video).
std::optional<QString> videoCropFilter(const QString& text, int64_t width, int64_t height);

} // namespace rure
