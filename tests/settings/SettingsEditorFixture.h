#pragma once

#include "config/CameraConfigurationStore.h"
#include "settings/CameraSettingsController.h"
#include "settings/CameraSettingsWindow.h"
#include "settings/CameraTableView.h"

#include <QAbstractItemModel>
#include <QObject>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace rure::test {

// An editor whose dialogs answer without blocking and record what they were asked.
class SettingsEditorFixture : public ::testing::Test {
protected:
    ~SettingsEditorFixture() override;

    CameraSettingsController& open(QList<Camera> cameras, bool staysOnTop = false);

    CameraSettingsController& editor() { return *editor_; }
    CameraSettingsWindow& window();
    CameraTableView& table() { return *window().tableView(); }
    QAbstractItemModel& model() { return *table().model(); }
    QString cell(int row, int column) { return model().index(row, column).data().toString(); }
    QString path(const QString& name) const { return dir_.filePath(name); }
    CameraConfigurationStore& store() { return store_; }
    // Whether the controller has been let go after its close.
    bool dropped() const { return editor_ == nullptr; }

    std::vector<CameraAlert> alerts;
    std::vector<QList<Camera>> saved;
    int closes = 0;
    CameraSettingsController::SaveHandler saveResult = [](const QList<Camera>&) {
        return Result<void>();
    };
    std::optional<QString> importPath;
    std::optional<QString> exportPath;
    int exportChoices = 0;

private:
    QTemporaryDir dir_;
    CameraConfigurationStore store_{dir_.filePath("store")};
    std::unique_ptr<CameraSettingsController> editor_;
    // The context of the posted release: it goes first, and its release with it.
    QObject releases_;
};

} // namespace rure::test
