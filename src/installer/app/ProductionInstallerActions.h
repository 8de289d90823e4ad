#pragma once

#include "InstallerActions.h"

namespace rure {

// The installer's real operations, for the running "Rizezad Aduz.app".
InstallerActions productionInstallerActions();

} // namespace rure
