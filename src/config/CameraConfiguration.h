#pragma once

#include "Camera.h"
#include "common/Result.h"

#include <QByteArray>
#include <QList>

namespace rure {

// The viewer's saved configuration. The list's order is the display order;
// duplicates are allowed.
struct CameraConfiguration {
    QList<Camera> cameras;

    friend bool operator==(const CameraConfiguration&, const CameraConfiguration&) = default;
};

// The camera list document: {"cameras" : [{"name" : ..., "url" : ...}, ...]},
// written by JsonEncoder::prettyPrinted(), so equal lists give equal bytes.
Result<QByteArray> encodeCameraList(const QList<Camera>& cameras);

// Reads a camera list document strictly: any camera without a "name" or "url"
// text rejects the whole document. Members it does not know are ignored. Errors
// (domain json) never quote a camera's name or address.
Result<QList<Camera>> decodeCameraList(const QByteArray& bytes);

} // namespace rure
