#include "InstallerSearch.h"

#include "ApplicationBundle.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <algorithm>
#include <limits>
#include <vector>

namespace rure::InstallerOperations {

namespace {

// Byte-for-byte equality of two regular files; anything unreadable is unequal.
bool filesHaveEqualContents(const QString& first, const QString& second) {
    if (!QFileInfo(first).isFile() || !QFileInfo(second).isFile()) {
        return false;
    }
    QFile a(first);
    QFile b(second);
    if (!a.open(QIODevice::ReadOnly) || !b.open(QIODevice::ReadOnly)) {
        return false;
    }
    constexpr qint64 chunk = 64 * 1024;
    for (;;) {
        const QByteArray left = a.read(chunk);
        const QByteArray right = b.read(chunk);
        if (left != right) {
            return false;
        }
        if (left.isEmpty()) {
            // Both at their end; a read error reads as empty too, so tell them apart.
            return a.error() == QFileDevice::NoError && b.error() == QFileDevice::NoError;
        }
    }
}

std::optional<QString> firstStandardLocation(QStandardPaths::StandardLocation location) {
    const QStringList locations = QStandardPaths::standardLocations(location);
    if (locations.isEmpty()) {
        return std::nullopt;
    }
    return locations.first();
}

struct Candidate {
    QString path;
    bool shippedName = false;
    // Milliseconds since the epoch; an unreadable date is the most distant past.
    qint64 modified = std::numeric_limits<qint64>::min();
};

constexpr QDir::Filters visibleEntries = QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot;

bool isCandidate(const QFileInfo& entry, const QString& runningExecutable) {
    if (entry.suffix().compare(QLatin1String("app"), Qt::CaseInsensitive) != 0) {
        return false;
    }
    const std::optional<ApplicationBundle> bundle = ApplicationBundle::open(entry.filePath());
    if (!bundle || bundle->identifier() != QLatin1String(installerBundleIdentifier)) {
        return false;
    }
    const std::optional<QString> executable = bundle->executablePath();
    return executable && filesHaveEqualContents(runningExecutable, *executable);
}

// The executable this process runs. A translocated bundle still opens; one that
// was moved away or deleted while running no longer does, but the kernel keeps
// the running image readable through /proc/self/exe.
std::optional<QString> runningExecutableOf(const QString& bundlePath) {
    if (QFileInfo::exists(bundlePath)) {
        return executableURL(bundlePath);
    }
    return QStringLiteral("/proc/self/exe");
}

} // namespace

std::optional<QString> executableURL(const QString& applicationPath) {
    const std::optional<ApplicationBundle> bundle = ApplicationBundle::open(applicationPath);
    if (!bundle) {
        return std::nullopt;
    }
    return bundle->executablePath();
}

QStringList installerSearchRoots() {
    QStringList roots;
    for (const auto location :
         {QStandardPaths::DownloadLocation, QStandardPaths::DesktopLocation}) {
        if (const std::optional<QString> first = firstStandardLocation(location)) {
            roots.append(*first);
        }
    }
    const QDir cloudStorage(QDir::homePath() + QStringLiteral("/Library/CloudStorage"));
    // Each provider's entry is taken as it is: a provider without a Downloads
    // folder is skipped when the roots are searched.
    const QStringList providers = cloudStorage.entryList(visibleEntries, QDir::Name);
    for (const QString& provider : providers) {
        roots.append(cloudStorage.filePath(provider) + QStringLiteral("/Downloads"));
    }
    return roots;
}

std::optional<QString> originalInstallerURL(const QString& bundlePath) {
    const QString standardised = QDir::cleanPath(bundlePath);
    return originalInstallerURLComparingWith(standardised, runningExecutableOf(standardised));
}

std::optional<QString>
originalInstallerURLComparingWith(const QString& bundlePath,
                                  const std::optional<QString>& runningExecutable) {
    const QString standardised = QDir::cleanPath(bundlePath);
    if (QFileInfo::exists(standardised) &&
        !standardised.contains(QLatin1String(translocationMarker))) {
        return standardised;
    }
    if (!runningExecutable) {
        return std::nullopt;
    }

    std::vector<Candidate> candidates;
    for (const QString& root : installerSearchRoots()) {
        const QDir folder(root);
        if (!folder.exists()) {
            continue;
        }
        const QFileInfoList entries = folder.entryInfoList(visibleEntries, QDir::Name);
        for (const QFileInfo& entry : entries) {
            if (!isCandidate(entry, *runningExecutable)) {
                continue;
            }
            Candidate candidate;
            candidate.path = entry.filePath();
            candidate.shippedName = entry.fileName() == QLatin1String(installerBundleName);
            const QDateTime modified = entry.lastModified();
            if (modified.isValid()) {
                candidate.modified = modified.toMSecsSinceEpoch();
            }
            candidates.push_back(std::move(candidate));
        }
    }
    std::stable_sort(candidates.begin(), candidates.end(),
                     [](const Candidate& a, const Candidate& b) {
                         if (a.shippedName != b.shippedName) {
                             return a.shippedName;
                         }
                         return a.modified > b.modified;
                     });
    if (candidates.empty()) {
        return std::nullopt;
    }
    return candidates.front().path;
}

} // namespace rure::InstallerOperations
