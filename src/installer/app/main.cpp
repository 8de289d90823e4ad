#include "InstallerDelegate.h"
#include "ProductionInstallerActions.h"

#include <QApplication>
#include <QTimer>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Rizezad Aduz"));
    QApplication::setOrganizationName(QStringLiteral("didirezoror"));

    rure::InstallerDelegate delegate(rure::productionInstallerActions());
    QTimer::singleShot(0, &delegate, [&delegate] { delegate.applicationDidFinishLaunching(); });
    return QApplication::exec();
}
