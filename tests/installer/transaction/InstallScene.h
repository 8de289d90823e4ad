#pragma once

#include "TransactionTestSupport.h"
#include "common/Result.h"
#include "installer/transaction/InstallTools.h"

#include <QString>
#include <QStringList>

namespace rure::test {

// The real bundle tool and the development signing key.
QString realBundleTool();
QString signingKey();
// Writes a bundle and signs it with the development key.
bool writeSignedBundle(const QString& path, const TestBundle& bundle);
bool verifiesWithRealTool(const QString& bundle);

// One install's surroundings below `root`: an "opt" folder holding the
// destination, an installer payload, a temporary directory for the prepared
// copy, and the real bundle tool with its digest taken as the installer takes
// it at start-up. The elevation program, unless replaced, refuses like pkexec
// without an authorisation agent (127).
class InstallScene {
public:
    explicit InstallScene(const QString& root);

    QString root;
    QString applications;
    QString destination;
    QString payload;
    QString temporary;
    InstallTools tools;

    static constexpr const char* newVersion = "0.1.0";
    static constexpr const char* oldVersion = "0.0.9";

    bool writePayload();
    bool writeOldCopy();

    // Puts a wrapper in place of the bundle tool that runs `rule` (shell code
    // that sees the mode as $1, the path as $2, and $real, $destination and
    // $counter) before handing over to the real tool. The wrapper goes to
    // `wrapperPath`, by default "tools/rure-bundle" below the root; the tools'
    // digest becomes the wrapper's.
    bool wrapBundleTool(const QString& rule, const QString& wrapperPath = QString());
    // The elevation program exits with `status` without running anything.
    bool elevationExits(int status);
    // The elevation program runs its arguments with RURE_TEST_ELEVATED=1 set.
    bool elevationRuns();
    // The first two arguments the elevation program got, empty when it never ran.
    QStringList elevationArguments() const;

    Result<void> install() const;

private:
    QString elevationRecord_;
    bool writeElevation(const QString& body);
};

} // namespace rure::test
