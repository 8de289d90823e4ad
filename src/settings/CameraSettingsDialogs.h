#pragma once

#include "CameraAlert.h"

#include <QString>

#include <functional>
#include <optional>

class QWidget;

namespace rure {

// The modal dialogs the editor runs. The editor takes them as functions so that
// tests can answer them without blocking.
struct CameraSettingsDialogs {
    using AlertPresenter = std::function<void(const CameraAlert&)>;
    // Answers the chosen path; none when the user cancelled.
    using PathChooser = std::function<std::optional<QString>()>;

    // A warning alert titled "Rure" with one "OK" button in the strong accent,
    // application-modal.
    static void showAlert(QWidget* parent, const CameraAlert& alert);
    // "Import Camera List": exactly one existing JSON file.
    static std::optional<QString> chooseImportPath(QWidget* parent);
    // "Export Camera List", proposing "rure-cameras.json".
    static std::optional<QString> chooseExportPath(QWidget* parent);
};

} // namespace rure
