#include "ViewerSettings.h"

#include <QSettings>

namespace rure {

namespace {

const QString selectedCameraIndexKey = QStringLiteral("selectedCameraIndex");
const QString mainWindowFrameKey = QStringLiteral("mainWindowFrame");
const QString staysOnTopKey = QStringLiteral("staysOnTop");

} // namespace

qsizetype ViewerSettings::selectedCameraIndex() const {
    return settings_.value(selectedCameraIndexKey, 0).toLongLong();
}

void ViewerSettings::setSelectedCameraIndex(qsizetype index) {
    settings_.setValue(selectedCameraIndexKey, static_cast<qlonglong>(index));
}

std::optional<QString> ViewerSettings::windowFrame() const {
    const QVariant value = settings_.value(mainWindowFrameKey);
    if (!value.isValid()) {
        return std::nullopt;
    }
    return value.toString();
}

void ViewerSettings::setWindowFrame(const QString& text) {
    settings_.setValue(mainWindowFrameKey, text);
}

bool ViewerSettings::staysOnTop() const {
    return settings_.value(staysOnTopKey, false).toBool();
}

void ViewerSettings::setStaysOnTop(bool staysOnTop) {
    settings_.setValue(staysOnTopKey, staysOnTop);
}

} // namespace rure
