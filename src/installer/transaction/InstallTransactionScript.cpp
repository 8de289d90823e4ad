#include "InstallTransactionScript.h"

#include "InstallerOperations.h"

namespace rure::InstallerOperations {

QString installTransactionScript(const InstallPaths& paths, const InstallTools& tools) {
    const QString copy = shellQuoted(tools.copy);
    const QString bundleTool = shellQuoted(tools.bundleTool);
    const QStringList lines = {
        QStringLiteral("set -e"),
        QStringLiteral("source=") + shellQuoted(paths.source),
        QStringLiteral("destination=") + shellQuoted(paths.destination),
        QStringLiteral("staging=") + shellQuoted(paths.staging),
        QStringLiteral("backup=") + shellQuoted(paths.backup),
        QStringLiteral("cleanup() {"),
        QStringLiteral("    /bin/rm -rf \"$staging\""),
        QStringLiteral("    if [ -d \"$backup\" ] && [ ! -d \"$destination\" ]; then"),
        QStringLiteral("        /bin/mv \"$backup\" \"$destination\""),
        QStringLiteral("    fi"),
        QStringLiteral("}"),
        QStringLiteral("trap cleanup EXIT"),
        copy + QStringLiteral(" -a \"$source\" \"$staging\""),
        bundleTool + QStringLiteral(" clear-xattrs \"$staging\""),
        bundleTool + QStringLiteral(" verify \"$staging\""),
        QStringLiteral("if [ -e \"$destination\" ]; then"),
        QStringLiteral("    /bin/mv \"$destination\" \"$backup\""),
        QStringLiteral("fi"),
        QStringLiteral("/bin/mv \"$staging\" \"$destination\""),
        bundleTool + QStringLiteral(" clear-xattrs \"$destination\""),
        bundleTool + QStringLiteral(" verify \"$destination\""),
        QStringLiteral("/bin/rm -rf \"$backup\""),
        QStringLiteral("trap - EXIT"),
    };
    return lines.join(QLatin1Char('\n'));
}

} // namespace rure::InstallerOperations
