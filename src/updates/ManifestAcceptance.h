#pragma once

#include "RureUpdateManifest.h"

namespace rure {

// What the acceptance rules found, checked in this order; the first failing
// rule decides. Every rejection reaches the user as the same error.
enum class ManifestVerdict {
    accepted,
    wrongScheme,      // the download page's scheme is not "https" as written
    wrongHost,        // its host is not the maker's host as written
    wrongPath,        // its decoded path, less one trailing "/", is not "/rure"
    buildTooLow,      // build below 1
    malformedVersion, // not two to four groups of decimal digits
};

// Applies the acceptance rules to a decoded manifest. The port, user
// information, query and fragment of the download page are not examined.
ManifestVerdict examineManifest(const RureUpdateManifest& manifest);

inline bool isManifestAccepted(const RureUpdateManifest& manifest) {
    return examineManifest(manifest) == ManifestVerdict::accepted;
}

// True for two, three or four groups of decimal digits separated by single
// dots, with nothing before or after except at most one line terminator at the
// very end. Digits are any Unicode decimal digits (category Nd). A line
// terminator is one of LF, VT, FF, CR, CR LF, NEL (U+0085), LINE SEPARATOR
// (U+2028) and PARAGRAPH SEPARATOR (U+2029): the set that ends a line for
// ICU's "$" anchor, which the published manifests were written against.
bool isReleaseVersion(const QString& version);

} // namespace rure
