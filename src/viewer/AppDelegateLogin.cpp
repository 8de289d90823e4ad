// Start at Login: the viewer's entry in the desktop's autostart folder.
#include "AppDelegate.h"

#include "common/RureLog.h"

namespace rure {

void AppDelegate::toggleStartAtLogin() {
    const bool wasEnabled = autostart_.isEnabled();
    const Result<void> changed = wasEnabled ? autostart_.disable() : autostart_.enable();
    refreshMenu();
    if (!changed.ok()) {
        RureLog::lifecycle().error(wasEnabled
                                       ? QStringLiteral("Could not turn off Start at Login.")
                                       : QStringLiteral("Could not turn on Start at Login."));
        showPlaybackError(changed.error().description);
        return;
    }
    RureLog::lifecycle().notice(wasEnabled ? QStringLiteral("Rure no longer starts at login.")
                                           : QStringLiteral("Rure now starts at login."));
}

} // namespace rure
