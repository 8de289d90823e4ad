#include "UpdateDecision.h"

#include "VersionComparison.h"

namespace rure {

RureUpdateCheckResult decideUpdate(const RureUpdateManifest& manifest,
                                   const InstalledIdentity& installed) {
    const std::strong_ordering order =
        compareVersions(manifest.version, installed.installedVersion());
    if (order == std::strong_ordering::greater ||
        (order == std::strong_ordering::equal && manifest.build > installed.installedBuild())) {
        return RureUpdateCheckResult::available(manifest);
    }
    return RureUpdateCheckResult::current();
}

} // namespace rure
