#pragma once

#include "CameraListDraft.h"
#include "CameraSettingsDialogs.h"
#include "common/Result.h"
#include "config/Camera.h"
#include "discovery/DiscoverySession.h"

#include <QList>
#include <QPointer>

#include <functional>
#include <optional>

class QMessageBox;
class QWidget;

namespace rure {

class CameraConfigurationStore;
class CameraDiscoverySheet;
class CameraSettingsWindow;
class CameraTableModel;

// One open camera list editor: its window, its draft and the actions of its
// buttons. Nothing reaches the viewer until Save succeeds; the close handler runs
// once when the window closes. The owner lets go of the controller later (a
// posted task), never from inside the handler: nothing destroys the object
// whose callback is running.
class CameraSettingsController {
public:
    using SaveHandler = std::function<Result<void>(const QList<Camera>&)>;
    using CloseHandler = std::function<void()>;

    CameraSettingsController(QList<Camera> cameras, bool staysOnTop, SaveHandler saveHandler,
                             CloseHandler closeHandler, CameraConfigurationStore& store,
                             QWidget* parentForDialogs = nullptr);
    ~CameraSettingsController();

    CameraSettingsController(const CameraSettingsController&) = delete;
    CameraSettingsController& operator=(const CameraSettingsController&) = delete;

    QWidget* window() const;
    void selectRow(qsizetype row);
    void setStaysOnTop(bool staysOnTop);
    void showAndActivate();

    // Replace the modal dialogs (tests, other front ends).
    void setAlertPresenter(CameraSettingsDialogs::AlertPresenter presenter);
    void setImportPathChooser(CameraSettingsDialogs::PathChooser chooser);
    void setExportPathChooser(CameraSettingsDialogs::PathChooser chooser);
    // How "Find Cameras…" searches (tests shorten the times, choose networks).
    void setDiscoverySetup(DiscoverySetup setup) { discoverySetup_ = std::move(setup); }
    // The open "Find Cameras" sheet, if any.
    CameraDiscoverySheet* discoverySheet() const;

    const QList<Camera>& draftCameras() const { return draft_.cameras(); }
    std::optional<qsizetype> selectedRow() const;

    // The button actions.
    void addCamera();
    // Add with an address given (a link the viewer was asked to open): the
    // new row is selected with its name to be typed, or, for an address Save
    // would refuse, the alert Save would show and the address to be edited.
    void addCameraWithAddress(const QString& address);
    // Opens the "Find Cameras" sheet and starts its search; the streams chosen
    // there are appended to the draft.
    void findCameras();
    void removeCamera();
    void sortAscending();
    void sortDescending();
    void importCameras();
    void exportCameras();
    void cancel();
    void save();

    // A drop of a dragged row payload above `row`; answers whether it was accepted.
    bool dropRow(const QString& payload, qsizetype row);

private:
    void sortCameras(CameraSortOrder order);
    void addDiscoveredCameras(const QList<Camera>& cameras);
    std::optional<QList<Camera>> validatedCameras();
    void showAlert(const CameraAlert& alert);
    void reloadAndSelect(std::optional<qsizetype> row);
    // Shows the small stream column once the list holds a small stream
    // (opened, imported or found); the user's choice otherwise.
    void revealSubStreams();
    void applyRemoveButtonRule();
    void windowClosed();
    QWidget* dialogParent() const;

    CameraListDraft draft_;
    SaveHandler saveHandler_;
    CloseHandler closeHandler_;
    CameraConfigurationStore& store_;
    QWidget* parentForDialogs_;
    CameraSettingsWindow* window_;
    CameraTableModel* model_;
    CameraSettingsDialogs::AlertPresenter alertPresenter_;
    // The one alert window the editor shows at a time.
    QPointer<QMessageBox> shownAlert_;
    CameraSettingsDialogs::PathChooser importPathChooser_;
    CameraSettingsDialogs::PathChooser exportPathChooser_;
    DiscoverySetup discoverySetup_;
    QPointer<CameraDiscoverySheet> discoverySheet_;
    bool didClose_ = false;
};

} // namespace rure
