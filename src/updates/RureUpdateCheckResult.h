#pragma once

#include "RureUpdateManifest.h"

#include <optional>

namespace rure {

// The outcome of a successful update check: the published release is newer
// than the running viewer (`available`, with its manifest), or it is not
// (`current`).
class RureUpdateCheckResult {
public:
    static RureUpdateCheckResult current() { return RureUpdateCheckResult(std::nullopt); }
    static RureUpdateCheckResult available(RureUpdateManifest manifest) {
        return RureUpdateCheckResult(std::move(manifest));
    }

    bool isAvailable() const { return manifest_.has_value(); }
    // The newer release; only for `available`.
    const RureUpdateManifest& manifest() const {
        Q_ASSERT(manifest_);
        return *manifest_;
    }

    friend bool operator==(const RureUpdateCheckResult&, const RureUpdateCheckResult&) = default;

private:
    explicit RureUpdateCheckResult(std::optional<RureUpdateManifest> manifest)
        : manifest_(std::move(manifest)) {}

    std::optional<RureUpdateManifest> manifest_;
};

} // namespace rure
