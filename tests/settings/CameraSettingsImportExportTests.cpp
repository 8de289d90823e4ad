#include "SettingsEditorFixture.h"
#include "settings/CameraListFile.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPushButton>
#include <QTest>

#include <sys/stat.h>

namespace rure {
namespace {

using test::SettingsEditorFixture;

const QString invalidListMessage =
    QStringLiteral("The selected file does not contain a supported camera list.");

const QList<Camera> xyz{Camera{"X", "rtsp://x"}, Camera{"Y", "rtsp://y"}, Camera{"Z", "rtsp://z"}};

void writeBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

class CameraSettingsImportExportTest : public SettingsEditorFixture {};

TEST_F(CameraSettingsImportExportTest, ExportedListImportsIntoAnotherEditorTrimmedAndInOrder) {
    const QList<Camera> typed{Camera{"  Door ", " rtsp://door/1"},
                              Camera{"Yard", "RTSP://yard", " rtsp://yard/sub "},
                              Camera{"Attic", "rtsp://attic:554/x "}};
    open(typed);
    exportPath = path("rure-cameras.json");
    writeBytes(*exportPath, "older export");
    ASSERT_EQ(::chmod(QFile::encodeName(*exportPath).constData(), 0644), 0);

    QTest::mouseClick(window().exportButton(), Qt::LeftButton);

    EXPECT_TRUE(alerts.empty());
    EXPECT_EQ(exportChoices, 1);
    EXPECT_EQ(editor().draftCameras(), typed);
    EXPECT_EQ(QFileInfo(*exportPath).permissions(),
              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadUser |
                  QFileDevice::WriteUser);
    const QList<Camera> trimmed{Camera{"Door", "rtsp://door/1"},
                                Camera{"Yard", "RTSP://yard", "rtsp://yard/sub"},
                                Camera{"Attic", "rtsp://attic:554/x"}};

    open(xyz);
    editor().selectRow(2);
    EXPECT_FALSE(window().subStreamsToggle()->isChecked());
    importPath = exportPath;
    QTest::mouseClick(window().importButton(), Qt::LeftButton);
    EXPECT_TRUE(alerts.empty());
    EXPECT_EQ(editor().draftCameras(), trimmed);
    EXPECT_TRUE(window().subStreamsToggle()->isChecked()) << "the imported small stream shows";
    EXPECT_EQ(editor().selectedRow(), 0);
    EXPECT_TRUE(window().removeButton()->isEnabled());
    EXPECT_EQ(model().rowCount(), 3);
    EXPECT_EQ(cell(2, 1), "Attic");

    // Nothing reaches the viewer or the store until Save.
    editor().cancel();
    EXPECT_TRUE(saved.empty());
    EXPECT_FALSE(QFileInfo::exists(path("store/cameras.json")));
}

TEST_F(CameraSettingsImportExportTest, ImportingOneCameraDisablesRemove) {
    open(xyz);
    editor().selectRow(1);
    importPath = path("one.json");
    writeBytes(*importPath, R"({"cameras": [{"name": "Solo", "url": "rtsp://solo"}], "x": 1})");
    editor().importCameras();
    EXPECT_EQ(editor().draftCameras(), (QList<Camera>{Camera{"Solo", "rtsp://solo"}}));
    EXPECT_EQ(editor().selectedRow(), 0);
    EXPECT_FALSE(window().removeButton()->isEnabled());
}

TEST_F(CameraSettingsImportExportTest, ImportedCamerasAreValidatedOnlyOnSave) {
    open(xyz);
    importPath = path("unnamed.json");
    writeBytes(*importPath, R"({"cameras": [{"name": " ", "url": "nowhere"},
                                            {"name": "", "url": "rtsp://b"}]})");
    editor().importCameras();
    ASSERT_TRUE(alerts.empty());
    EXPECT_EQ(editor().draftCameras(),
              (QList<Camera>{Camera{" ", "nowhere"}, Camera{"", "rtsp://b"}}));

    editor().save();
    ASSERT_EQ(alerts.size(), 1u);
    EXPECT_EQ(alerts[0], (CameraAlert{"Camera name required", "Enter a name for camera 1."}));
    EXPECT_TRUE(saved.empty());
    EXPECT_TRUE(table().isEditing());
    EXPECT_EQ(table().currentIndex(), model().index(0, 1));
}

TEST_F(CameraSettingsImportExportTest, FailedImportsLeaveTheDraftAndSelectionAlone) {
    writeBytes(path("empty-list.json"), R"({"cameras": []})");
    writeBytes(path("array.json"), R"([{"name": "Door", "url": "rtsp://door"}])");
    writeBytes(path("text.json"), "Door rtsp://door");
    ASSERT_TRUE(QDir(path("")).mkdir("folder.json"));
    // Nothing ever writes to it: reading it would freeze the editor.
    ASSERT_EQ(::mkfifo(QFile::encodeName(path("cams.json")).constData(), 0600), 0);
    const std::pair<QString, QString> cases[] = {
        {path("empty-list.json"), invalidListMessage},
        {path("array.json"), invalidListMessage},
        {path("text.json"), invalidListMessage},
        {path("cams.json"), invalidListMessage},
        {QStringLiteral("/dev/zero"), invalidListMessage},
        {path("folder.json"), readCameraListFile(path("folder.json")).error().description},
        {path("missing.json"), readCameraListFile(path("missing.json")).error().description},
    };
    for (const auto& [file, message] : cases) {
        SCOPED_TRACE(file.toStdString());
        alerts.clear();
        open(xyz);
        editor().selectRow(2);
        importPath = file;
        editor().importCameras();
        ASSERT_EQ(alerts.size(), 1u);
        EXPECT_EQ(alerts[0].title, "Could not import cameras");
        EXPECT_EQ(alerts[0].message, message);
        EXPECT_FALSE(message.isEmpty());
        EXPECT_EQ(editor().draftCameras(), xyz);
        EXPECT_EQ(editor().selectedRow(), 2);
    }

    alerts.clear();
    importPath.reset();
    editor().importCameras();
    EXPECT_TRUE(alerts.empty());
    EXPECT_EQ(editor().draftCameras(), xyz);
}

TEST_F(CameraSettingsImportExportTest, ExportValidatesFirstAndReportsWriteFailures) {
    open({Camera{"Door", "rtsp://door"}, Camera{"Yard", "rtsp:///nohost"}});
    exportPath = path("never.json");
    editor().exportCameras();
    ASSERT_EQ(alerts.size(), 1u);
    EXPECT_EQ(alerts[0],
              (CameraAlert{"Check Yard", "Enter a full RTSP address beginning with rtsp://."}));
    EXPECT_EQ(exportChoices, 0);
    EXPECT_EQ(table().currentIndex(), model().index(1, 2));

    alerts.clear();
    open({});
    editor().exportCameras();
    ASSERT_EQ(alerts.size(), 1u);
    EXPECT_EQ(alerts[0], (CameraAlert{"Add a camera", "Rure needs at least one camera."}));
    EXPECT_EQ(exportChoices, 0);
    EXPECT_FALSE(QFileInfo::exists(*exportPath));

    alerts.clear();
    open(xyz);
    exportPath.reset();
    editor().exportCameras();
    EXPECT_EQ(exportChoices, 1);
    EXPECT_TRUE(alerts.empty());

    writeBytes(path("plain"), "x");
    exportPath = path("plain/rure-cameras.json");
    const Result<void> expected = store().exportCameras(xyz, *exportPath);
    ASSERT_FALSE(expected.ok());
    editor().exportCameras();
    ASSERT_EQ(alerts.size(), 1u);
    EXPECT_EQ(alerts[0], (CameraAlert{"Could not export cameras", expected.error().description}));
    EXPECT_EQ(editor().draftCameras(), xyz);
}

} // namespace
} // namespace rure
