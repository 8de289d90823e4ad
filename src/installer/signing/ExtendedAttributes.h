#pragma once

#include "common/Result.h"

#include <filesystem>

namespace rure::ExtendedAttributes {

// Removes every extended attribute of `path` and of everything below it.
// Symbolic links are never followed: a link loses its own attributes, its
// target keeps its, and a directory that is swapped for a link while the walk
// runs makes it fail instead of reaching what the link points to. A file
// system without extended attributes has none to remove, which counts as
// success.
Result<void> clearRecursively(const std::filesystem::path& path);

} // namespace rure::ExtendedAttributes
