#pragma once

#include <QPalette>
#include <QString>

#include <memory>

class QStyle;

namespace rure::test {

enum class Appearance { light, dark };

// "light" or "dark", for test traces.
QString appearanceName(Appearance appearance);

// Qt's Fusion palette: the light default, or the dark one that Qt builds when
// the desktop asks for a dark colour scheme.
QPalette fusionPalette(Appearance appearance);

// While alive, the application draws with the Fusion style and the Fusion
// palette of `appearance`, as on a desktop without a platform theme; the
// style and palette in force before come back afterwards. Widgets created
// before take the new palette too, unless they set their own.
class ScopedFusionAppearance {
public:
    explicit ScopedFusionAppearance(Appearance appearance);
    ~ScopedFusionAppearance();
    ScopedFusionAppearance(const ScopedFusionAppearance&) = delete;
    ScopedFusionAppearance& operator=(const ScopedFusionAppearance&) = delete;

private:
    QString previousStyle_;
    QPalette previousPalette_;
};

} // namespace rure::test
