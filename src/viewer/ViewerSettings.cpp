#include "ViewerSettings.h"

#include <QCryptographicHash>
#include <QSettings>

namespace rure {

namespace {

const QString selectedCameraIndexKey = QStringLiteral("selectedCameraIndex");
const QString mainWindowFrameKey = QStringLiteral("mainWindowFrame");
const QString staysOnTopKey = QStringLiteral("staysOnTop");
const QString mainPictureSizesGroup = QStringLiteral("mainPictureSizes");
// More cameras than anyone keeps in a list: beyond it the sizes start afresh.
constexpr qsizetype mainPictureSizesKept = 256;

QString mainPictureSizeKey(const QString& address) {
    const QByteArray digest =
        QCryptographicHash::hash(address.trimmed().toUtf8(), QCryptographicHash::Sha256);
    return mainPictureSizesGroup + u'/' + QString::fromLatin1(digest.left(16).toHex());
}

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

std::optional<QSize> ViewerSettings::mainPictureSize(const QString& address) const {
    const QStringList parts = settings_.value(mainPictureSizeKey(address)).toString().split(u'x');
    bool widthRead = false;
    bool heightRead = false;
    const QSize size(parts.value(0).toInt(&widthRead), parts.value(1).toInt(&heightRead));
    if (parts.size() != 2 || !widthRead || !heightRead || size.isEmpty() || size.width() > 16384 ||
        size.height() > 16384) {
        return std::nullopt;
    }
    return size;
}

void ViewerSettings::setMainPictureSize(const QString& address, QSize size) {
    const QString key = mainPictureSizeKey(address);
    const QString text = QStringLiteral("%1x%2").arg(size.width()).arg(size.height());
    if (settings_.value(key).toString() == text) {
        return;
    }
    settings_.beginGroup(mainPictureSizesGroup);
    const bool full = settings_.childKeys().size() >= mainPictureSizesKept;
    settings_.endGroup();
    if (full) {
        settings_.remove(mainPictureSizesGroup);
    }
    settings_.setValue(key, text);
}

} // namespace rure
