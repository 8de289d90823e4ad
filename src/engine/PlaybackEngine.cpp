#include "PlaybackEngine.h"

namespace rure {

QString describe(EngineStartError error) {
    switch (error) {
    case EngineStartError::create:
        return QStringLiteral("Rure could not start its video engine.");
    case EngineStartError::initialize:
        return QStringLiteral("Rure could not initialize its video engine.");
    case EngineStartError::attach:
        return QStringLiteral("Rure could not attach video to its window.");
    }
    return {};
}

} // namespace rure
