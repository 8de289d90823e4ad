#include "CameraSettingsDialogs.h"

#include "common/RurePalette.h"

#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

namespace rure {

namespace {
const QString jsonFilter = QStringLiteral("JSON files (*.json)");

std::optional<QString> runFileDialog(QFileDialog& dialog) {
    if (dialog.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    const QStringList files = dialog.selectedFiles();
    if (files.isEmpty() || files.first().isEmpty()) {
        return std::nullopt;
    }
    return files.first();
}
} // namespace

QMessageBox* CameraSettingsDialogs::showAlert(QWidget* parent, const CameraAlert& alert,
                                              QMessageBox* shown) {
    QMessageBox* box = shown;
    if (box == nullptr || !box->isVisible()) {
        box = new QMessageBox(parent);
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->setIcon(QMessageBox::Warning);
        // Like the viewer's alerts; an untitled window would show the program's file name.
        box->setWindowTitle(QStringLiteral("Rure"));
        QPushButton* ok = box->addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
        ok->setStyleSheet(RurePalette::accentButtonStyle());
        box->setDefaultButton(ok);
        box->setWindowModality(Qt::ApplicationModal);
    }
    box->setText(alert.title);
    box->setInformativeText(alert.message);
    box->show();
    box->raise();
    box->activateWindow();
    return box;
}

std::optional<QString> CameraSettingsDialogs::chooseImportPath(QWidget* parent) {
    QFileDialog dialog(parent, QStringLiteral("Import Camera List"), QDir::homePath(), jsonFilter);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setLabelText(QFileDialog::Accept, QStringLiteral("Import"));
    return runFileDialog(dialog);
}

std::optional<QString> CameraSettingsDialogs::chooseExportPath(QWidget* parent) {
    QFileDialog dialog(parent, QStringLiteral("Export Camera List"), QDir::homePath(), jsonFilter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setLabelText(QFileDialog::Accept, QStringLiteral("Export"));
    dialog.setDefaultSuffix(QStringLiteral("json"));
    dialog.selectFile(QStringLiteral("rure-cameras.json"));
    return runFileDialog(dialog);
}

} // namespace rure
