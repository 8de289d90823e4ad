// What later launches ask for, and rtsp:// links: a camera of the list is
// selected, or the camera editor opens with the new address.
#include "AppDelegate.h"

#include "common/RureLog.h"
#include "settings/CameraSettingsController.h"

namespace rure {

void AppDelegate::handleLaunchRequest(const LaunchRequest& request) {
    switch (request.kind) {
    case LaunchRequest::Kind::activate:
        bringViewerToFront();
        break;
    case LaunchRequest::Kind::openAddress:
        // After whatever the launch has posted already (the first camera's start).
        services_.scheduler->post(
            this, [this, address = request.argument] { openCameraAddress(address); });
        break;
    }
}

void AppDelegate::openCameraAddress(const QString& address) {
    if (isClosingViewer()) {
        return;
    }
    const QString wanted = address.trimmed();
    const QList<Camera>& cameras = selection_.cameras();
    for (qsizetype index = 0; index < cameras.size(); ++index) {
        if (cameras[index].url.trimmed() != wanted) {
            continue;
        }
        RureLog::lifecycle().notice(
            QStringLiteral("A link names camera index %1, which is shown.").arg(index));
        if (index != selection_.selectedIndex()) {
            selectCamera(index);
        }
        bringViewerToFront();
        return;
    }
    RureLog::lifecycle().notice(
        QStringLiteral("A link names an address that is not in the camera list; it goes to the "
                       "camera editor."));
    showCameraSettings();
    if (settingsController) {
        settingsController->addCameraWithAddress(wanted);
        linkedAddressesToShow_ << wanted;
    }
}

} // namespace rure
