// Save Snapshot: the command, and the notice over the picture once the
// snapshot controller has saved it.
#include "AppDelegate.h"

#include "viewer/ViewerWindowSide.h"

#include <QDir>
#include <QFileInfo>

namespace rure {

namespace {

// A folder as the user reads it: under the home folder it starts with "~".
QString folderForPeople(const QString& folder) {
    const QString home = QDir::homePath();
    const QString clean = QDir::cleanPath(folder);
    if (clean.startsWith(home + u'/')) {
        return QStringLiteral("~") + clean.mid(home.size());
    }
    return clean;
}

} // namespace

bool AppDelegate::canSaveSnapshot() const {
    return !isClosingViewer() && supervisor_->hasEngine() &&
           supervisor_->state() == PlaybackSupervisorState::playing &&
           selection_.selectedCamera() != nullptr;
}

void AppDelegate::saveSnapshot() {
    PlaybackEngine* engine = supervisor_->engine();
    if (!canSaveSnapshot() || engine == nullptr) {
        return;
    }
    const QDateTime now =
        services_.wallClock ? services_.wallClock() : QDateTime::currentDateTime();
    snapshots_->save(*engine, selection_.selectedCamera()->name, now, &side().focusArea(),
                     supervisor_->selectionGeneration(), supervisor_->mainPictureWhileSmallPlays());
    // A snapshot of the small stream waits for the main one.
    supervisor_->reconsiderStream();
}

void AppDelegate::snapshotSaved(const QString& path) {
    if (windowSide_) {
        side().overlay().showNotice(QStringLiteral("Snapshot saved in %1")
                                        .arg(folderForPeople(QFileInfo(path).absolutePath())));
    }
}

} // namespace rure
