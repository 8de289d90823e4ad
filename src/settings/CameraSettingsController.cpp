#include "CameraSettingsController.h"

#include "CameraDiscoverySheet.h"
#include "CameraListFile.h"
#include "CameraSettingsWindow.h"
#include "CameraTableModel.h"
#include "CameraTableView.h"
#include "common/RureLog.h"
#include "config/CameraConfigurationStore.h"

#include <QCheckBox>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>

namespace rure {

CameraSettingsController::CameraSettingsController(QList<Camera> cameras, bool staysOnTop,
                                                   SaveHandler saveHandler,
                                                   CloseHandler closeHandler,
                                                   CameraConfigurationStore& store,
                                                   QWidget* parentForDialogs)
    : draft_(std::move(cameras)), saveHandler_(std::move(saveHandler)),
      closeHandler_(std::move(closeHandler)), store_(store), parentForDialogs_(parentForDialogs),
      window_(new CameraSettingsWindow), model_(new CameraTableModel(draft_, window_)) {
    alertPresenter_ = [this](const CameraAlert& alert) {
        shownAlert_ = CameraSettingsDialogs::showAlert(dialogParent(), alert, shownAlert_);
    };
    importPathChooser_ = [this] { return CameraSettingsDialogs::chooseImportPath(dialogParent()); };
    exportPathChooser_ = [this] { return CameraSettingsDialogs::chooseExportPath(dialogParent()); };

    window_->setStaysOnTop(staysOnTop);
    window_->setCloseObserver([this] { windowClosed(); });
    CameraTableView* table = window_->tableView();
    table->setModel(model_);
    model_->setDropHandler(
        [this](const QString& payload, qsizetype row) { return dropRow(payload, row); });
    revealSubStreams();
    QObject::connect(table->selectionModel(), &QItemSelectionModel::selectionChanged, window_,
                     [this] { applyRemoveButtonRule(); });
    // A reset replaces nothing in the selection model but clears its selection.
    QObject::connect(model_, &QAbstractItemModel::modelReset, window_,
                     [this] { applyRemoveButtonRule(); });

    const auto on = [this](QPushButton* button, void (CameraSettingsController::*action)()) {
        QObject::connect(button, &QPushButton::clicked, window_,
                         [this, action] { (this->*action)(); });
    };
    on(window_->addButton(), &CameraSettingsController::addCamera);
    on(window_->findCamerasButton(), &CameraSettingsController::findCameras);
    on(window_->removeButton(), &CameraSettingsController::removeCamera);
    on(window_->sortAscendingButton(), &CameraSettingsController::sortAscending);
    on(window_->sortDescendingButton(), &CameraSettingsController::sortDescending);
    on(window_->importButton(), &CameraSettingsController::importCameras);
    on(window_->exportButton(), &CameraSettingsController::exportCameras);
    on(window_->cancelButton(), &CameraSettingsController::cancel);
    on(window_->saveButton(), &CameraSettingsController::save);

    const auto shortcut = [this](Qt::Key key, void (CameraSettingsController::*action)()) {
        auto* keys = new QShortcut(QKeySequence(key), window_);
        keys->setContext(Qt::WindowShortcut);
        QObject::connect(keys, &QShortcut::activated, window_,
                         [this, action] { (this->*action)(); });
    };
    shortcut(Qt::Key_Return, &CameraSettingsController::save);
    shortcut(Qt::Key_Enter, &CameraSettingsController::save);
    shortcut(Qt::Key_Escape, &CameraSettingsController::cancel);

    applyRemoveButtonRule();
}

CameraSettingsController::~CameraSettingsController() {
    // The sheet's answer would reach this controller's draft, which goes now.
    delete discoverySheet_.data();
    // Never from inside the window's close, which is still on the stack then.
    Q_ASSERT(!window_->isNotifyingClose());
    delete window_;
}

QWidget* CameraSettingsController::window() const {
    return window_;
}

std::optional<qsizetype> CameraSettingsController::selectedRow() const {
    return window_->tableView()->selectedRow();
}

void CameraSettingsController::selectRow(qsizetype row) {
    if (draft_.containsRow(row)) {
        window_->tableView()->selectAndReveal(row);
    }
    applyRemoveButtonRule();
}

void CameraSettingsController::setStaysOnTop(bool staysOnTop) {
    window_->setStaysOnTop(staysOnTop);
}

void CameraSettingsController::showAndActivate() {
    if (!window_->isVisible()) {
        if (const QScreen* screen = QGuiApplication::primaryScreen()) {
            window_->placeWithin(screen->availableGeometry());
        }
    }
    window_->show();
    window_->raise();
    window_->activateWindow();
}

void CameraSettingsController::setAlertPresenter(CameraSettingsDialogs::AlertPresenter presenter) {
    alertPresenter_ = std::move(presenter);
}

void CameraSettingsController::setImportPathChooser(CameraSettingsDialogs::PathChooser chooser) {
    importPathChooser_ = std::move(chooser);
}

void CameraSettingsController::setExportPathChooser(CameraSettingsDialogs::PathChooser chooser) {
    exportPathChooser_ = std::move(chooser);
}

void CameraSettingsController::addCamera() {
    CameraTableView* table = window_->tableView();
    table->endEditing();
    const qsizetype row = draft_.add();
    reloadAndSelect(row);
    table->editCell(row, CameraField::name);
    applyRemoveButtonRule();
}

void CameraSettingsController::addCameraWithAddress(const QString& address) {
    CameraTableView* table = window_->tableView();
    table->endEditing();
    const qsizetype row = draft_.add(address);
    reloadAndSelect(row);
    applyRemoveButtonRule();
    if (const std::optional<CameraAlert> alert = draft_.addressAlert(row)) {
        showAlert(*alert);
        table->editCell(row, CameraField::address);
        return;
    }
    table->editCell(row, CameraField::name);
}

CameraDiscoverySheet* CameraSettingsController::discoverySheet() const {
    return discoverySheet_.data();
}

void CameraSettingsController::findCameras() {
    window_->tableView()->endEditing();
    if (discoverySheet_) {
        discoverySheet_->raise();
        discoverySheet_->activateWindow();
        return;
    }
    auto* sheet = new CameraDiscoverySheet(discoverySetup_, window_);
    sheet->setAttribute(Qt::WA_DeleteOnClose);
    // The sheet belongs to the window, which this controller owns.
    QObject::connect(sheet, &CameraDiscoverySheet::camerasChosen, sheet,
                     [this](const QList<Camera>& cameras) { addDiscoveredCameras(cameras); });
    discoverySheet_ = sheet;
    sheet->open();
    sheet->startSearch();
}

void CameraSettingsController::addDiscoveredCameras(const QList<Camera>& cameras) {
    const std::optional<qsizetype> first = draft_.append(cameras);
    if (!first) {
        return;
    }
    RureLog::configuration().info(
        QStringLiteral("Added %1 cameras found on the network to the editor.").arg(cameras.size()));
    reloadAndSelect(first);
    revealSubStreams();
    applyRemoveButtonRule();
}

void CameraSettingsController::removeCamera() {
    CameraTableView* table = window_->tableView();
    table->endEditing();
    const CameraRemoval removal = draft_.remove(table->selectedRow());
    if (removal.alert) {
        showAlert(*removal.alert);
        return;
    }
    if (removal.selection) {
        reloadAndSelect(removal.selection);
    }
    applyRemoveButtonRule();
}

void CameraSettingsController::sortAscending() {
    sortCameras(CameraSortOrder::ascending);
}

void CameraSettingsController::sortDescending() {
    sortCameras(CameraSortOrder::descending);
}

void CameraSettingsController::sortCameras(CameraSortOrder order) {
    CameraTableView* table = window_->tableView();
    table->endEditing();
    reloadAndSelect(draft_.sort(order, table->selectedRow()));
}

bool CameraSettingsController::dropRow(const QString& payload, qsizetype row) {
    window_->tableView()->endEditing();
    const std::optional<qsizetype> destination = draft_.move(payload, row);
    if (!destination) {
        return false;
    }
    reloadAndSelect(destination);
    return true;
}

void CameraSettingsController::importCameras() {
    window_->tableView()->endEditing();
    const std::optional<QString> path = importPathChooser_ ? importPathChooser_() : std::nullopt;
    if (!path || path->isEmpty()) {
        return;
    }
    Result<QList<Camera>> cameras = readCameraListFile(*path);
    if (!cameras) {
        RureLog::configuration().error(QStringLiteral("Could not import the camera list."));
        showAlert({QStringLiteral("Could not import cameras"), cameras.error().description});
        return;
    }
    draft_.replace(std::move(cameras).value());
    RureLog::configuration().info(
        QStringLiteral("Imported %1 cameras into the editor.").arg(draft_.size()));
    reloadAndSelect(0);
    revealSubStreams();
    applyRemoveButtonRule();
}

void CameraSettingsController::exportCameras() {
    window_->tableView()->endEditing();
    const std::optional<QList<Camera>> cameras = validatedCameras();
    if (!cameras) {
        return;
    }
    const std::optional<QString> path = exportPathChooser_ ? exportPathChooser_() : std::nullopt;
    if (!path || path->isEmpty()) {
        return;
    }
    if (const Result<void> exported = store_.exportCameras(*cameras, *path); !exported) {
        RureLog::configuration().error(QStringLiteral("Could not export the camera list."));
        showAlert({QStringLiteral("Could not export cameras"), exported.error().description});
        return;
    }
    RureLog::configuration().info(QStringLiteral("Exported %1 cameras.").arg(cameras->size()));
}

void CameraSettingsController::cancel() {
    window_->close();
}

void CameraSettingsController::save() {
    window_->tableView()->endEditing();
    const std::optional<QList<Camera>> cameras = validatedCameras();
    if (!cameras) {
        return;
    }
    if (const Result<void> saved = saveHandler_ ? saveHandler_(*cameras) : Result<void>(); !saved) {
        showAlert({QStringLiteral("Could not save cameras"), saved.error().description});
        return;
    }
    // Closing may drop this controller; nothing may follow.
    window_->close();
}

std::optional<QList<Camera>> CameraSettingsController::validatedCameras() {
    CameraValidation validation = draft_.validated();
    if (validation.ok()) {
        return std::move(validation.cameras);
    }
    showAlert(validation.alert);
    if (validation.cellToEdit) {
        if (validation.cellToEdit->field == CameraField::subStream) {
            window_->subStreamsToggle()->setChecked(true);
        }
        window_->tableView()->editCell(validation.cellToEdit->row, validation.cellToEdit->field);
    }
    return std::nullopt;
}

void CameraSettingsController::showAlert(const CameraAlert& alert) {
    if (alertPresenter_) {
        alertPresenter_(alert);
    }
}

void CameraSettingsController::reloadAndSelect(std::optional<qsizetype> row) {
    model_->reload();
    if (row && draft_.containsRow(*row)) {
        window_->tableView()->selectAndReveal(*row);
    }
}

void CameraSettingsController::revealSubStreams() {
    if (draft_.hasSubStream()) {
        window_->subStreamsToggle()->setChecked(true);
    }
}

void CameraSettingsController::applyRemoveButtonRule() {
    window_->removeButton()->setEnabled(draft_.canRemove(window_->tableView()->selectedRow()));
}

void CameraSettingsController::windowClosed() {
    if (didClose_) {
        return;
    }
    didClose_ = true;
    if (closeHandler_) {
        closeHandler_();
    }
}

QWidget* CameraSettingsController::dialogParent() const {
    return parentForDialogs_ != nullptr ? parentForDialogs_ : window_;
}

} // namespace rure
