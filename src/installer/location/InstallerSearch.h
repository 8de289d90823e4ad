#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// Finding the installer's own bundle, the one the user downloaded, so that it
// can be moved to the Trash after an install.
namespace rure::InstallerOperations {

inline constexpr char installerBundleIdentifier[] = "com.didirezoror.rure.installer";
// The installer's file name as shipped.
inline constexpr char installerBundleName[] = "Rizezad Aduz.app";
// A bundle whose path holds this runs from a randomised read-only copy.
inline constexpr char translocationMarker[] = "/AppTranslocation/";

// <application>/Contents/bin/<executable>; none when the bundle does not open
// or names no executable.
std::optional<QString> executableURL(const QString& applicationPath);

// Where downloaded installers land, in search order: the Downloads folder, the
// Desktop folder, then "Downloads" in every non-hidden entry of
// ~/Library/CloudStorage.
QStringList installerSearchRoots();

// The bundle the user started the installer from. `bundlePath` is the running
// installer's bundle; when it runs from where the user put it, that is the
// answer. When it is a translocated copy, or no longer there, the search roots
// are searched for a bundle of the installer whose executable is byte for byte
// the running one.
std::optional<QString> originalInstallerURL(const QString& bundlePath);

// The same, comparing candidates with `runningExecutable` (none: the search
// finds nothing) in place of the running installer's executable.
std::optional<QString>
originalInstallerURLComparingWith(const QString& bundlePath,
                                  const std::optional<QString>& runningExecutable);

} // namespace rure::InstallerOperations
