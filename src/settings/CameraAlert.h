#pragma once

#include <QString>

namespace rure {

// An alert the editor shows: the title is the message text, the message the
// informative text.
struct CameraAlert {
    QString title;
    QString message;

    friend bool operator==(const CameraAlert&, const CameraAlert&) = default;
};

} // namespace rure
