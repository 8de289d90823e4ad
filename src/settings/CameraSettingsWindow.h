#pragma once

#include <QWidget>

#include <functional>

class QCheckBox;
class QLabel;
class QPushButton;

namespace rure {

class CameraTableView;

// The "Cameras" window: its texts, buttons, table and footer. It holds no
// editing logic; the controller connects to its parts.
class CameraSettingsWindow : public QWidget {
public:
    explicit CameraSettingsWindow(QWidget* parent = nullptr);

    // Runs whenever the window closes, whatever closed it.
    void setCloseObserver(std::function<void()> observer) { closeObserver_ = std::move(observer); }
    bool isNotifyingClose() const { return notifyingClose_; }
    // Centres the window in `available` (a screen's area without its panels),
    // at its usual size or smaller, so that Save stays on screen on a small or
    // much enlarged screen.
    void placeWithin(const QRect& available);

    void setStaysOnTop(bool staysOnTop);

    CameraTableView* tableView() const { return table_; }
    QPushButton* addButton() const { return add_; }
    QPushButton* findCamerasButton() const { return findCameras_; }
    QPushButton* removeButton() const { return remove_; }
    QPushButton* sortAscendingButton() const { return sortAscending_; }
    QPushButton* sortDescendingButton() const { return sortDescending_; }
    QPushButton* importButton() const { return import_; }
    QPushButton* exportButton() const { return export_; }
    // Shows and hides the table's small stream column.
    QCheckBox* subStreamsToggle() const { return subStreams_; }
    QPushButton* cancelButton() const { return cancel_; }
    QPushButton* saveButton() const { return save_; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    // The description's grey and the link's accent, made readable on the
    // window's background of the moment (light or dark).
    void applyReadableColours();

    std::function<void()> closeObserver_;
    bool notifyingClose_ = false;
    CameraTableView* table_ = nullptr;
    QPushButton* add_ = nullptr;
    QPushButton* findCameras_ = nullptr;
    QPushButton* remove_ = nullptr;
    QPushButton* sortAscending_ = nullptr;
    QPushButton* sortDescending_ = nullptr;
    QPushButton* import_ = nullptr;
    QPushButton* export_ = nullptr;
    QCheckBox* subStreams_ = nullptr;
    QPushButton* cancel_ = nullptr;
    QPushButton* save_ = nullptr;
    QLabel* description_ = nullptr;
    QLabel* footer_ = nullptr;
};

} // namespace rure
