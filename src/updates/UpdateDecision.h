#pragma once

#include "InstalledIdentity.h"
#include "RureUpdateCheckResult.h"

namespace rure {

// Whether an accepted manifest names a release newer than the installed one:
// a greater version is newer; for the same version (by compareVersions) a
// strictly greater build is; an older version never is, whatever its build.
RureUpdateCheckResult decideUpdate(const RureUpdateManifest& manifest,
                                   const InstalledIdentity& installed);

} // namespace rure
