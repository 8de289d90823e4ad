#pragma once

#include <QString>

#include <cstdint>
#include <optional>

namespace rure {

// The row number carried by a dragged camera row: an optional sign followed by
// ASCII digits and nothing else, within the signed 64-bit range.
std::optional<std::int64_t> parseCameraRowPayload(const QString& payload);

// The payload that names `row`.
QString cameraRowPayload(qsizetype row);

} // namespace rure
