#pragma once

#include <QString>

#include <optional>

namespace rure {

// The running viewer's own version and build, as compiled in from the build
// configuration (the project version and RURE_BUILD_NUMBER). Each value may be
// missing, and then counts as described below.
struct InstalledIdentity {
    std::optional<QString> version;
    std::optional<QString> build;

    // The values compiled into this program.
    static InstalledIdentity compiledIn();

    // The version text; "0" when missing.
    QString installedVersion() const;
    // The build read as a signed 64-bit decimal integer (optional sign, ASCII
    // digits only); 0 when missing, malformed or out of range.
    qint64 installedBuild() const;
};

} // namespace rure
