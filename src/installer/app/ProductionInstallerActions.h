#pragma once

#include "InstallerActions.h"

namespace rure {

// The installer's real operations, for the running "Rizezad Aduz.app". Call at
// start-up: the install's environment, with the digest of the bundle tool, is
// taken here.
InstallerActions productionInstallerActions();

} // namespace rure
