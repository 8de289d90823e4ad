#include "UpdateAlerts.h"

#include "common/RurePalette.h"

#include <QApplication>
#include <QDesktopServices>
#include <QMessageBox>
#include <QPushButton>

namespace rure {

namespace {

QWidget* alertParent(QWidget* mainWindow) {
    QWidget* active = QApplication::activeWindow();
    // Another alert deletes itself when answered and would take a child alert
    // with it; its own window takes its place.
    while (qobject_cast<QMessageBox*>(active)) {
        active = active->parentWidget() ? active->parentWidget()->window() : nullptr;
    }
    if (active) {
        return active;
    }
    if (mainWindow && mainWindow->isVisible()) {
        return mainWindow->window();
    }
    return nullptr;
}

QMessageBox* createAlert(const QString& text, const QString& informativeText, QWidget* mainWindow) {
    QWidget* parent = alertParent(mainWindow);
    auto* alert = new QMessageBox(parent);
    alert->setAttribute(Qt::WA_DeleteOnClose);
    alert->setIcon(QMessageBox::Information);
    alert->setWindowTitle(QStringLiteral("Rure"));
    alert->setText(text);
    alert->setInformativeText(informativeText);
    alert->setWindowModality(parent ? Qt::WindowModal : Qt::ApplicationModal);
    return alert;
}

void tint(QPushButton* button) {
    button->setStyleSheet(RurePalette::accentButtonStyle());
}

} // namespace

QMessageBox* presentUpdateStatus(const QString& title, const QString& message,
                                 QWidget* mainWindow) {
    QMessageBox* alert = createAlert(title, message, mainWindow);
    QPushButton* ok = alert->addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    tint(ok);
    alert->setDefaultButton(ok);
    alert->setEscapeButton(ok);
    alert->show();
    return alert;
}

QMessageBox* presentAvailableUpdate(const RureUpdateManifest& manifest, QWidget* mainWindow) {
    QMessageBox* alert =
        createAlert(QStringLiteral("Rure %1 is available").arg(manifest.version),
                    QStringLiteral("Download the newest version from the Rure website when "
                                   "you\u2019re ready."),
                    mainWindow);
    QPushButton* open = alert->addButton(QStringLiteral("Open Website"), QMessageBox::AcceptRole);
    QPushButton* later = alert->addButton(QStringLiteral("Later"), QMessageBox::RejectRole);
    tint(open);
    alert->setDefaultButton(open);
    alert->setEscapeButton(later);
    const QUrl downloadPage = manifest.downloadPageUrl();
    QObject::connect(alert, &QMessageBox::buttonClicked, alert,
                     [open, downloadPage](QAbstractButton* clicked) {
                         if (clicked == open) {
                             QDesktopServices::openUrl(downloadPage);
                         }
                     });
    alert->show();
    return alert;
}

UpdateCheckPresenters updateAlertPresenters(std::function<QWidget*()> mainWindow) {
    auto windowNow = [mainWindow] { return mainWindow ? mainWindow() : nullptr; };
    return UpdateCheckPresenters{
        [windowNow](const QString& title, const QString& message) {
            presentUpdateStatus(title, message, windowNow());
        },
        [windowNow](const RureUpdateManifest& manifest) {
            presentAvailableUpdate(manifest, windowNow());
        },
    };
}

} // namespace rure
