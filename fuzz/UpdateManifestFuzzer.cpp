// Update manifests as a server might send them: a decoded manifest survives its
// own encoding, an accepted version reads as two to four numbers, and the update
// decision orders a release against itself and against an earlier build.
#include "FuzzInput.h"

#include "updates/ManifestAcceptance.h"
#include "updates/RureUpdateManifest.h"
#include "updates/UpdateDecision.h"
#include "updates/VersionComparison.h"

#include <limits>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using rure::fuzz::require;
    const rure::Result<rure::RureUpdateManifest> decoded =
        rure::RureUpdateManifest::decode(rure::fuzz::bytes(data, size));
    if (!decoded) {
        return 0;
    }
    const rure::RureUpdateManifest& manifest = decoded.value();
    const rure::Result<rure::RureUpdateManifest> reread =
        rure::RureUpdateManifest::decode(manifest.encode());
    require(reread.ok() && reread.value() == manifest, "an encoded manifest decodes to itself");

    if (rure::isManifestAccepted(manifest)) {
        const QList<qint64> parts = rure::numericVersionParts(manifest.version);
        require(parts.size() >= 2 && parts.size() <= 4,
                "an accepted version has two to four numbers");
        for (const qint64 part : parts) {
            require(part >= 0, "an accepted version has no negative number");
        }
    }

    // A release is never newer than itself, and is newer than its own
    // version with an earlier build.
    rure::InstalledIdentity installed{manifest.version, QString::number(manifest.build)};
    require(!rure::decideUpdate(manifest, installed).isAvailable(),
            "a release is not newer than itself");
    if (manifest.build > std::numeric_limits<qint64>::min()) {
        installed.build = QString::number(manifest.build - 1);
        require(rure::decideUpdate(manifest, installed).isAvailable(),
                "a release is newer than the same version with an earlier build");
    }
    return 0;
}
