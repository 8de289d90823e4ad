#pragma once

#include "CameraAlert.h"

#include <QString>

#include <functional>
#include <optional>

class QMessageBox;
class QWidget;

namespace rure {

// The modal dialogs the editor runs. The editor takes them as functions so that
// tests can answer them without blocking.
struct CameraSettingsDialogs {
    using AlertPresenter = std::function<void(const CameraAlert&)>;
    // Answers the chosen path; none when the user cancelled.
    using PathChooser = std::function<std::optional<QString>()>;

    // A warning alert titled "Rure" with one "OK" button in the strong accent,
    // application-modal, shown without waiting for it to be dismissed, and
    // deleted once it is. While `shown` is still open the alert goes into it
    // instead, its texts replaced and the window raised: alerts that come one
    // after another (links the editor refuses, opened in a row) never pile up.
    // Returns the window that shows the alert.
    static QMessageBox* showAlert(QWidget* parent, const CameraAlert& alert,
                                  QMessageBox* shown = nullptr);
    // "Import Camera List": exactly one existing JSON file.
    static std::optional<QString> chooseImportPath(QWidget* parent);
    // "Export Camera List", proposing "rure-cameras.json".
    static std::optional<QString> chooseExportPath(QWidget* parent);
};

} // namespace rure
