#include "installer/transaction/InstallTransactionScript.h"

#include <gtest/gtest.h>

namespace rure {
namespace {

TEST(InstallTransactionScript, IsTheTransactionWithQuotedPathsAndAbsoluteCommands) {
    const InstallPaths paths{
        QStringLiteral("/tmp/Rure Prepared 1B4E28BA-2FA1-11D2-883F-0016D3CCA427.app"),
        QStringLiteral("/opt/Rure.app"),
        QStringLiteral("/opt/.Rure Install 6FA459EA-EE8A-3CA4-894E-DB77E160355E.app"),
        QStringLiteral("/opt/.Rure Backup 6FA459EA-EE8A-3CA4-894E-DB77E160355E.app"),
    };
    InstallTools tools;
    tools.bundleTool = QStringLiteral("/opt/Rizezad Aduz.app/Contents/bin/rure-bundle");

    const QString expected = QStringLiteral(
        "set -e\n"
        "source='/tmp/Rure Prepared 1B4E28BA-2FA1-11D2-883F-0016D3CCA427.app'\n"
        "destination='/opt/Rure.app'\n"
        "staging='/opt/.Rure Install 6FA459EA-EE8A-3CA4-894E-DB77E160355E.app'\n"
        "backup='/opt/.Rure Backup 6FA459EA-EE8A-3CA4-894E-DB77E160355E.app'\n"
        "cleanup() {\n"
        "    /bin/rm -rf \"$staging\"\n"
        "    if [ -d \"$backup\" ] && [ ! -d \"$destination\" ]; then\n"
        "        /bin/mv \"$backup\" \"$destination\"\n"
        "    fi\n"
        "}\n"
        "trap cleanup EXIT\n"
        "'/bin/cp' -a \"$source\" \"$staging\"\n"
        "'/opt/Rizezad Aduz.app/Contents/bin/rure-bundle' clear-xattrs \"$staging\"\n"
        "'/opt/Rizezad Aduz.app/Contents/bin/rure-bundle' verify \"$staging\"\n"
        "if [ -e \"$destination\" ]; then\n"
        "    /bin/mv \"$destination\" \"$backup\"\n"
        "fi\n"
        "/bin/mv \"$staging\" \"$destination\"\n"
        "'/opt/Rizezad Aduz.app/Contents/bin/rure-bundle' clear-xattrs \"$destination\"\n"
        "'/opt/Rizezad Aduz.app/Contents/bin/rure-bundle' verify \"$destination\"\n"
        "/bin/rm -rf \"$backup\"\n"
        "trap - EXIT");
    EXPECT_EQ(InstallerOperations::installTransactionScript(paths, tools), expected);
}

} // namespace
} // namespace rure
