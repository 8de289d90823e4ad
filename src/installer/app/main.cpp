#include "InstallerDelegate.h"
#include "ProductionInstallerActions.h"

#include "common/CommandLine.h"

#include <QApplication>
#include <QTimer>

int main(int argc, char** argv) {
    // --help and --version need no display.
    const rure::ProgramDescription description{
        .executable = QStringLiteral("rizezad-aduz"),
        .name = QStringLiteral("Rizezad Aduz"),
        .version = QStringLiteral(RURE_INSTALLER_VERSION " (build " RURE_INSTALLER_BUILD ")"),
        .summary = QStringLiteral("Installs Rure in /opt. Existing camera settings will be "
                                  "preserved."),
        .environment = {},
    };
    if (const rure::CommandLineAnswer answer = rure::answerCommandLine(argc, argv, description);
        !answer.run) {
        return answer.exitStatus;
    }
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Rizezad Aduz"));
    QApplication::setOrganizationName(QStringLiteral("didirezoror"));

    rure::InstallerDelegate delegate(rure::productionInstallerActions());
    QTimer::singleShot(0, &delegate, [&delegate] { delegate.applicationDidFinishLaunching(); });
    return QApplication::exec();
}
