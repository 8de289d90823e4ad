// End to end, on the test's own network: the viewer's editor finds the ONVIF
// test device, signs in, and the stream it names plays in the viewer with the
// credentials the search put into its address.
#include "settings/CameraDiscoverySheet.h"
#include "settings/DiscoveredDeviceList.h"
#include "support/TestOnvifDevice.h"
#include "viewer/LiveViewerFixture.h"

#include <QLineEdit>
#include <QListWidget>

namespace rure::test {
namespace {

using CameraSearchLive = LiveViewerTest;
using Page = CameraDiscoverySheet::Page;

TEST_F(CameraSearchLive, AFoundStreamPlaysInTheViewerWithTheLoginTypedInTheSearch) {
    TestCamera::Options cameraOptions;
    cameraOptions.user = QStringLiteral("viewer");
    cameraOptions.password = QStringLiteral("p@ss:w/rd");
    cameraOptions.secondPath.clear();
    ASSERT_TRUE(camera.start(cameraOptions)) << camera.errorOutput().toStdString();
    TestOnvifDevice device;
    ASSERT_TRUE(device.start({.stream = camera.url(),
                              .name = QStringLiteral("Front Door"),
                              .user = QStringLiteral("viewer"),
                              .password = QStringLiteral("p@ss:w/rd")}))
        << device.errorOutput().toStdString();

    // A viewer whose only camera is gone.
    launch({{QStringLiteral("Old"), QStringLiteral("rtsp://127.0.0.1:9/old")}});
    delegate->showCameraSettings();
    CameraSettingsController* editor = delegate->cameraSettings();
    ASSERT_NE(editor, nullptr);
    std::vector<CameraAlert> editorAlerts;
    editor->setAlertPresenter(
        [&editorAlerts](const CameraAlert& alert) { editorAlerts.push_back(alert); });
    editor->setDiscoverySetup(
        {std::chrono::milliseconds(1500), std::chrono::milliseconds(3000), {}});
    editor->findCameras();
    CameraDiscoverySheet* sheet = editor->discoverySheet();
    ASSERT_NE(sheet, nullptr);
    ASSERT_TRUE(waitFor([sheet] { return !sheet->isSearching(); }, 20000));
    ASSERT_EQ(sheet->devices().size(), 1);
    EXPECT_EQ(sheet->devices().at(0).login, DeviceLogin::needed);

    sheet->searchPage().devices->selectDevice(0);
    sheet->continueWithSelectedDevice();
    ASSERT_EQ(sheet->page(), Page::login);
    sheet->loginPage().userName->setText(QStringLiteral("viewer"));
    sheet->loginPage().password->setText(QStringLiteral("p@ss:w/rd"));
    sheet->connectWithCredentials();
    ASSERT_TRUE(waitFor([sheet] { return sheet->page() != Page::working; }, 20000));
    ASSERT_EQ(sheet->page(), Page::streams) << sheet->loginPage().message->text().toStdString();
    ASSERT_EQ(sheet->streamsPage().streams->count(), 1);
    sheet->addChosenStreams();

    // Only the found camera stays; Save hands the list to the viewer.
    ASSERT_EQ(editor->draftCameras().size(), 2);
    EXPECT_EQ(editor->draftCameras().at(1).name,
              QString::fromUtf8("Front Door \u2014 Main Stream"));
    editor->selectRow(0);
    editor->removeCamera();
    editor->save();
    EXPECT_TRUE(editorAlerts.empty()) << editorAlerts.front().title.toStdString();
    EXPECT_EQ(delegate->cameraSettings(), nullptr) << "Save closed the editor";

    ASSERT_TRUE(waitFor([this] { return isPlaying(); }, 30000))
        << log.texts().join('\n').toStdString();
    EXPECT_TRUE(
        waitFor([this] { return !isBlack(centreColour()) && centreColour().isValid(); }, 5000))
        << centreColour().name().toStdString();
    const Result<QList<Camera>> stored = store.load();
    ASSERT_TRUE(stored.ok());
    ASSERT_EQ(stored.value().size(), 1);
    EXPECT_EQ(QUrl(stored.value().at(0).url).password(QUrl::FullyDecoded), "p@ss:w/rd");

    // The password went to the device only as a digest, and to no log.
    EXPECT_FALSE(device.report().join('\n').contains(QStringLiteral("password-in-clear")));
    for (const QString& text : log.texts()) {
        EXPECT_FALSE(text.contains(QStringLiteral("p@ss")) || text.contains(camera.url()))
            << text.toStdString();
    }
}

} // namespace
} // namespace rure::test
