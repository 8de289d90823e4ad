#include "InstallTransactionScript.h"

#include "InstallerOperations.h"

#include <algorithm>

namespace rure::InstallerOperations {

namespace {

// A shell pattern for the UUID in the names of staging and backup folders:
// "?" for each of its characters, the dashes as they are.
QString anyUuid() {
    const auto any = [](int count) { return QString(count, QLatin1Char('?')); };
    const QChar dash = QLatin1Char('-');
    return any(8) + dash + any(4) + dash + any(4) + dash + any(4) + dash + any(12);
}

// The limit in seconds as timeout(1) reads it, never 0, which to it means none.
QString seconds(std::chrono::milliseconds limit) {
    return QString::number(static_cast<double>(std::max<qint64>(limit.count(), 1)) / 1000.0, 'f',
                           3);
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
        QStringLiteral("step_limit=") + seconds(tools.stepTimeLimit),
        QStringLiteral("bundle=\"$staging/Rure.app\""),
        QStringLiteral("checker=\"$staging/rure-bundle\""),
        QStringLiteral("moved_aside="),
        QStringLiteral("swapped="),
        QStringLiteral("step() {"),
        QStringLiteral("    /usr/bin/timeout -s KILL \"$step_limit\" \"$@\""),
        QStringLiteral("}"),
        QStringLiteral("cleanup() {"),
        QStringLiteral("    if [ -n \"$swapped\" ]; then"),
        QStringLiteral("        /bin/mv \"$destination\" \"$staging/Rejected.app\""),
        QStringLiteral("    fi"),
        QStringLiteral("    if [ -n \"$moved_aside\" ]; then"),
        QStringLiteral("        /bin/mv \"$backup\" \"$destination\""),
        QStringLiteral("    fi"),
        QStringLiteral("    step /bin/rm -rf \"$staging\""),
        QStringLiteral("}"),
        QStringLiteral("trap cleanup EXIT"),
        QStringLiteral("trap 'exit 1' HUP INT TERM"),
        QStringLiteral("for leftover in \"${destination%/*}\"/'.Rure Install '") + anyUuid() +
            QStringLiteral(".app \\"),
        QStringLiteral("        \"${destination%/*}\"/'.Rure Backup '") + anyUuid() +
            QStringLiteral(".app; do"),
        QStringLiteral("    step /bin/rm -rf \"$leftover\""),
        QStringLiteral("done"),
        QStringLiteral("step /bin/mkdir -m 700 \"$staging\""),
        // The tool opened by the step, not by this shell: opening a FIFO
        // blocks until something writes to it.
        QStringLiteral("step /bin/cat -- \"$tool\" > \"$checker\""),
        QStringLiteral("step /bin/chmod 700 \"$checker\""),
        QStringLiteral("digest=$(step /usr/bin/sha256sum < \"$checker\")"),
        QStringLiteral("if [ \"${digest%% *}\" != \"$tool_sha256\" ]; then"),
        QStringLiteral("    exit 1"),
        QStringLiteral("fi"),
        QStringLiteral("step ") + copy + QStringLiteral(" -a \"$source/.\" \"$bundle\""),
        // Apart from the test, so that a failed step fails the script.
        QStringLiteral("user_id=$(step /usr/bin/id -u)"),
        QStringLiteral("if [ \"$user_id\" = 0 ]; then"),
        QStringLiteral("    step /bin/chown -R -h 0:0 \"$bundle\""),
        QStringLiteral("fi"),
        QStringLiteral("step /bin/chmod -R go-w,ug-s \"$bundle\""),
        QStringLiteral("step \"$checker\" clear-xattrs \"$bundle\""),
        QStringLiteral("step \"$checker\" verify \"$bundle\""),
        QStringLiteral("if [ -e \"$destination\" ] || [ -h \"$destination\" ]; then"),
        QStringLiteral("    /bin/mv \"$destination\" \"$backup\""),
        QStringLiteral("    moved_aside=1"),
        QStringLiteral("fi"),
        QStringLiteral("/bin/mv \"$bundle\" \"$destination\""),
        QStringLiteral("swapped=1"),
        QStringLiteral("step \"$checker\" clear-xattrs \"$destination\""),
        QStringLiteral("step \"$checker\" verify \"$destination\""),
        QStringLiteral("trap - EXIT"),
        QStringLiteral("step /bin/rm -rf \"$backup\" \"$staging\""),
    };
    return lines.join(QLatin1Char('\n'));
}

} // namespace rure::InstallerOperations
