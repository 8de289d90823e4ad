#include "InstalledIdentity.h"

#include "common/DecimalInt64.h"

namespace rure {

InstalledIdentity InstalledIdentity::compiledIn() {
    InstalledIdentity identity;
#ifdef RURE_VERSION
    identity.version = QStringLiteral(RURE_VERSION);
#endif
#ifdef RURE_BUILD_NUMBER
    identity.build = QStringLiteral(RURE_BUILD_NUMBER);
#endif
    return identity;
}

QString InstalledIdentity::installedVersion() const {
    return version.value_or(QStringLiteral("0"));
}

qint64 InstalledIdentity::installedBuild() const {
    if (!build) {
        return 0;
    }
    return parseDecimalInt64(*build).value_or(0);
}

} // namespace rure
