#include "DebianPackageSupport.h"

#include "installer/signing/SigningTestSupport.h"
#include "support/BuildPlaces.h"

namespace rure::test {

QString debianPackageFile() {
    return QString::fromUtf8(build::debianPackage);
}

QString unpackDebianPackage(const QString& root) {
    const ProgramRun run =
        runProgram(QStringLiteral("dpkg-deb"), {QStringLiteral("-x"), debianPackageFile(), root});
    if (!run.started) {
        return QStringLiteral("dpkg-deb did not run: ") + run.errors;
    }
    if (run.exitCode != 0) {
        return run.errors.isEmpty() ? QStringLiteral("dpkg-deb -x failed") : run.errors;
    }
    return {};
}

} // namespace rure::test
