#pragma once

#include <QSize>
#include <QString>

#include <optional>

class QSettings;

namespace rure {

// The viewer's own preferences, with every key it stores in one place: the
// selected camera, the window's frame, Stay on Top and the picture sizes of
// the cameras' main streams. The update checks keep
// their keys in their own module.
class ViewerSettings {
public:
    explicit ViewerSettings(QSettings& settings) : settings_(settings) {}

    // The index stored for the selected camera; 0 when none was stored.
    qsizetype selectedCameraIndex() const;
    void setSelectedCameraIndex(qsizetype index);

    // The window's frame as stored text; nothing when none was stored.
    std::optional<QString> windowFrame() const;
    void setWindowFrame(const QString& text);

    bool staysOnTop() const;
    void setStaysOnTop(bool staysOnTop);

    // The picture size last seen on the main stream at `address`, so that a
    // camera with a small stream starts on the stream its window needs. Kept
    // under a digest of the address, never the address itself, and for a
    // bounded number of cameras.
    std::optional<QSize> mainPictureSize(const QString& address) const;
    void setMainPictureSize(const QString& address, QSize size);

private:
    QSettings& settings_;
};

} // namespace rure
