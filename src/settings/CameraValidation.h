#pragma once

#include "CameraAlert.h"
#include "CameraField.h"
#include "config/Camera.h"

#include <QList>

#include <optional>

namespace rure {

// The cell the user must correct after a failed validation.
struct CameraCell {
    qsizetype row = 0;
    CameraField field = CameraField::name;

    friend bool operator==(const CameraCell&, const CameraCell&) = default;
};

// The outcome of validating a draft: the trimmed list, or the alert to show and,
// when one camera is at fault, the cell to edit.
struct CameraValidation {
    std::optional<QList<Camera>> cameras;
    CameraAlert alert;
    std::optional<CameraCell> cellToEdit;

    bool ok() const { return cameras.has_value(); }
};

} // namespace rure
