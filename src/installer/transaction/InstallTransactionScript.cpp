#include "InstallTransactionScript.h"

#include "InstallerOperations.h"

namespace rure::InstallerOperations {

namespace {

// A shell pattern for the UUID in the names of staging and backup folders:
// "?" for each of its characters, the dashes as they are.
QString anyUuid() {
    const auto any = [](int count) { return QString(count, QLatin1Char('?')); };
    const QChar dash = QLatin1Char('-');
    return any(8) + dash + any(4) + dash + any(4) + dash + any(4) + dash + any(12);
}

} // namespace

QString installTransactionScript(const InstallPaths& paths, const InstallTools& tools) {
    const QString copy = shellQuoted(tools.copy);
    const QStringList lines = {
        QStringLiteral("set -e"),
        QStringLiteral("source=") + shellQuoted(paths.source),
        QStringLiteral("destination=") + shellQuoted(paths.destination),
        QStringLiteral("staging=") + shellQuoted(paths.staging),
        QStringLiteral("backup=") + shellQuoted(paths.backup),
        QStringLiteral("tool=") + shellQuoted(tools.bundleTool),
        QStringLiteral("tool_sha256=") + shellQuoted(tools.bundleToolDigest),
        QStringLiteral("bundle=\"$staging/Rure.app\""),
        QStringLiteral("checker=\"$staging/rure-bundle\""),
        QStringLiteral("moved_aside="),
        QStringLiteral("swapped="),
        QStringLiteral("cleanup() {"),
        QStringLiteral("    if [ -n \"$swapped\" ]; then"),
        QStringLiteral("        /bin/mv \"$destination\" \"$staging/Rejected.app\""),
        QStringLiteral("    fi"),
        QStringLiteral("    if [ -n \"$moved_aside\" ]; then"),
        QStringLiteral("        /bin/mv \"$backup\" \"$destination\""),
        QStringLiteral("    fi"),
        QStringLiteral("    /bin/rm -rf \"$staging\""),
        QStringLiteral("}"),
        QStringLiteral("trap cleanup EXIT"),
        QStringLiteral("trap 'exit 1' HUP INT TERM"),
        QStringLiteral("for leftover in \"${destination%/*}\"/'.Rure Install '") + anyUuid() +
            QStringLiteral(".app \\"),
        QStringLiteral("        \"${destination%/*}\"/'.Rure Backup '") + anyUuid() +
            QStringLiteral(".app; do"),
        QStringLiteral("    /bin/rm -rf \"$leftover\""),
        QStringLiteral("done"),
        QStringLiteral("/bin/mkdir -m 700 \"$staging\""),
        QStringLiteral("/bin/cat < \"$tool\" > \"$checker\""),
        QStringLiteral("/bin/chmod 700 \"$checker\""),
        QStringLiteral("digest=$(/usr/bin/sha256sum < \"$checker\")"),
        QStringLiteral("if [ \"${digest%% *}\" != \"$tool_sha256\" ]; then"),
        QStringLiteral("    exit 1"),
        QStringLiteral("fi"),
        copy + QStringLiteral(" -a \"$source/.\" \"$bundle\""),
        QStringLiteral("if [ \"$(/usr/bin/id -u)\" = 0 ]; then"),
        QStringLiteral("    /bin/chown -R -h 0:0 \"$bundle\""),
        QStringLiteral("fi"),
        QStringLiteral("/bin/chmod -R go-w,ug-s \"$bundle\""),
        QStringLiteral("\"$checker\" clear-xattrs \"$bundle\""),
        QStringLiteral("\"$checker\" verify \"$bundle\""),
        QStringLiteral("if [ -e \"$destination\" ] || [ -h \"$destination\" ]; then"),
        QStringLiteral("    /bin/mv \"$destination\" \"$backup\""),
        QStringLiteral("    moved_aside=1"),
        QStringLiteral("fi"),
        QStringLiteral("/bin/mv \"$bundle\" \"$destination\""),
        QStringLiteral("swapped=1"),
        QStringLiteral("\"$checker\" clear-xattrs \"$destination\""),
        QStringLiteral("\"$checker\" verify \"$destination\""),
        QStringLiteral("trap - EXIT"),
        QStringLiteral("/bin/rm -rf \"$backup\" \"$staging\""),
    };
    return lines.join(QLatin1Char('\n'));
}

} // namespace rure::InstallerOperations
