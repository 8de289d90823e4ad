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
    tools.bundleTool = QStringLiteral("/home/ann/Rizezad Aduz.app/Contents/bin/rure-bundle");
    tools.bundleToolDigest =
        QStringLiteral("9f86d081884c7d659a2feaa0c55ad015a3bf4f1b2b0b822cd15d6c15b0f00a08");
    tools.stepTimeLimit = std::chrono::milliseconds(2500);

    // Shell patterns for the UUIDs of earlier runs' folders ("?" written out
    // here only because two of them in a row would spell a trigraph).
    const QString anyUuid =
        QStringLiteral("%1-%2-%2-%2-%3").arg(QString(8, u'?'), QString(4, u'?'), QString(12, u'?'));
    QString expected = QStringLiteral(
        "set -e\n"
        "source='/tmp/Rure Prepared 1B4E28BA-2FA1-11D2-883F-0016D3CCA427.app'\n"
        "destination='/opt/Rure.app'\n"
        "staging='/opt/.Rure Install 6FA459EA-EE8A-3CA4-894E-DB77E160355E.app'\n"
        "backup='/opt/.Rure Backup 6FA459EA-EE8A-3CA4-894E-DB77E160355E.app'\n"
        "tool='/home/ann/Rizezad Aduz.app/Contents/bin/rure-bundle'\n"
        "tool_sha256='9f86d081884c7d659a2feaa0c55ad015a3bf4f1b2b0b822cd15d6c15b0f00a08'\n"
        "step_limit=2.500\n"
        "bundle=\"$staging/Rure.app\"\n"
        "checker=\"$staging/rure-bundle\"\n"
        "moved_aside=\n"
        "swapped=\n"
        "step() {\n"
        "    /usr/bin/timeout -s KILL \"$step_limit\" \"$@\"\n"
        "}\n"
        "cleanup() {\n"
        "    if [ -n \"$swapped\" ]; then\n"
        "        /bin/mv \"$destination\" \"$staging/Rejected.app\"\n"
        "    fi\n"
        "    if [ -n \"$moved_aside\" ]; then\n"
        "        /bin/mv \"$backup\" \"$destination\"\n"
        "    fi\n"
        "    step /bin/rm -rf \"$staging\"\n"
        "}\n"
        "trap cleanup EXIT\n"
        "trap 'exit 1' HUP INT TERM\n"
        "for leftover in \"${destination%/*}\"/'.Rure Install '@UUID@.app \\\n"
        "        \"${destination%/*}\"/'.Rure Backup '@UUID@.app; do\n"
        "    step /bin/rm -rf \"$leftover\"\n"
        "done\n"
        "step /bin/mkdir -m 700 \"$staging\"\n"
        "step /bin/cat -- \"$tool\" > \"$checker\"\n"
        "step /bin/chmod 700 \"$checker\"\n"
        "digest=$(step /usr/bin/sha256sum < \"$checker\")\n"
        "if [ \"${digest%% *}\" != \"$tool_sha256\" ]; then\n"
        "    exit 1\n"
        "fi\n"
        "step '/bin/cp' -a \"$source/.\" \"$bundle\"\n"
        "user_id=$(step /usr/bin/id -u)\n"
        "if [ \"$user_id\" = 0 ]; then\n"
        "    step /bin/chown -R -h 0:0 \"$bundle\"\n"
        "fi\n"
        "step /bin/chmod -R go-w,ug-s \"$bundle\"\n"
        "step \"$checker\" clear-xattrs \"$bundle\"\n"
        "step \"$checker\" verify \"$bundle\"\n"
        "if [ -e \"$destination\" ] || [ -h \"$destination\" ]; then\n"
        "    /bin/mv \"$destination\" \"$backup\"\n"
        "    moved_aside=1\n"
        "fi\n"
        "/bin/mv \"$bundle\" \"$destination\"\n"
        "swapped=1\n"
        "step \"$checker\" clear-xattrs \"$destination\"\n"
        "step \"$checker\" verify \"$destination\"\n"
        "trap - EXIT\n"
        "step /bin/rm -rf \"$backup\" \"$staging\"");
    expected.replace(QStringLiteral("@UUID@"), anyUuid);
    EXPECT_EQ(InstallerOperations::installTransactionScript(paths, tools), expected);
}

} // namespace
} // namespace rure
