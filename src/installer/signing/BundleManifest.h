#pragma once

#include "common/Result.h"

#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace rure {

// What a bundle's signature covers: every directory, regular file and symbolic
// link below the bundle's root, except the bundle's own Contents/Signature.
//
// The text starts with the line "rure-bundle-manifest 1", then one line per
// entry, sorted by the entry's path bytes (relative to the root, "/"-separated):
//
//   directory <path>
//   file <path> <sha-256 in lower-case hex>
//   executable <path> <sha-256>          (a regular file with any execute bit)
//   symlink <path> <target>              (the link's own text, never followed)
//
// Paths and link targets are written escaped (see escaped()), so no field holds
// a space or a line feed and different names always give different lines.
//
// Any other kind of file (fifo, socket, device) makes the computation fail, and
// so does an entry, the root included, that its group or others may write or
// that carries a set-user-ID or set-group-ID bit: a bundle installed for every
// account must be changeable by its owner alone and run with the rights of
// whoever starts it. Links are examined and read, never followed.
class BundleManifest {
public:
    static Result<BundleManifest> compute(const std::filesystem::path& bundle);

    const std::string& text() const { return text_; }

    // The bundles nested in this one: directories named "*.app" below Contents
    // that carry their own Contents/Signature. Bundles nested inside those are
    // theirs to list, not this one's.
    const std::vector<std::filesystem::path>& nestedBundles() const { return nestedBundles_; }

    // Fails for an entry of the status `status` that its group or others may
    // write or that carries a set-user-ID or set-group-ID bit; a link passes,
    // having no modes of its own. `shownPath` names the entry in the message.
    static Result<void> checkMode(const struct stat& status, const std::string& shownPath);

    // `bytes` with every byte outside the printable ASCII range, the space and
    // the backslash written as "\xHH" (two lower-case hex digits): an
    // unambiguous, single-line form of any file name, also safe to print.
    static std::string escaped(std::string_view bytes);

    // One line naming the first entry in which `actual` departs from
    // `expected`, for instance "changed file Contents/Info.json".
    static std::string firstDifference(std::string_view expected, std::string_view actual);

private:
    BundleManifest(std::string text, std::vector<std::filesystem::path> nestedBundles)
        : text_(std::move(text)), nestedBundles_(std::move(nestedBundles)) {}

    std::string text_;
    std::vector<std::filesystem::path> nestedBundles_;
};

} // namespace rure
