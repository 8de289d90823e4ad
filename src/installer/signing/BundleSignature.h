#pragma once

#include "Ed25519Key.h"
#include "common/Result.h"

#include <filesystem>

namespace rure::BundleSignature {

// A signed bundle holds exactly two files in Contents/Signature: "Manifest",
// the bundle's manifest text (BundleManifest), and "Manifest.sig", the Ed25519
// signature of those bytes.

// Writes Contents/Signature anew for the bundle as it is on disk. Nested
// bundles are not signed here: they must carry their own signatures already,
// which the outer manifest then covers like any other file.
Result<void> sign(const std::filesystem::path& bundle, const Ed25519Key& privateKey);

// Deep, strict verification: the stored manifest carries a valid signature by
// `trustedKey`, equals byte for byte the manifest computed from disk now, and
// every nested bundle passes the same verification.
Result<void> verify(const std::filesystem::path& bundle, const Ed25519Key& trustedKey);

} // namespace rure::BundleSignature
