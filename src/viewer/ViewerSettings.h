#pragma once

#include <QString>

#include <optional>

class QSettings;

namespace rure {

// The viewer's own preferences, with every key it stores in one place: the
// selected camera, the window's frame and Stay on Top. The update checks keep
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

private:
    QSettings& settings_;
};

} // namespace rure
