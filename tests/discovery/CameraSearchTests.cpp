// "Find Cameras…" in the camera editor, against ONVIF test devices on the
// test's own network: what the search lists, what a chosen stream becomes,
// signing in, and devices that answer wrongly, too much or not at all.
#include "CameraSearchFixture.h"

#include "common/RtspAddress.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

namespace rure::test {
namespace {

using Page = CameraDiscoverySheet::Page;

QString portOf(const TestOnvifDevice& device) {
    return QString::number(QUrl(device.serviceAddress()).port());
}

TEST_F(CameraSearchTest, ListsEachDeviceThatAnswersWithItsModelAddressAndLoginNeed) {
    TestOnvifDevice& open = startDevice({.name = QStringLiteral("Front Door")});
    TestOnvifDevice& locked = startDevice({.name = QStringLiteral("Garage"),
                                           .model = QStringLiteral("RT-200"),
                                           .user = QStringLiteral("admin"),
                                           .password = QStringLiteral("secret")});
    findCameras();

    ASSERT_EQ(sheet().devices().size(), 2);
    const int front = listedRow(QStringLiteral("Front Door"));
    const int garage = listedRow(QStringLiteral("Garage"));
    ASSERT_GE(front, 0);
    ASSERT_GE(garage, 0);
    EXPECT_EQ(listedText(front, DiscoveredDeviceList::modelColumn), "RT-100");
    EXPECT_EQ(listedText(front, DiscoveredDeviceList::addressColumn), "127.0.0.1:" + portOf(open));
    EXPECT_EQ(listedText(front, DiscoveredDeviceList::loginColumn), "No login");
    // The model of a locked device comes from its discovery scopes.
    EXPECT_EQ(listedText(garage, DiscoveredDeviceList::modelColumn), "RT-200");
    EXPECT_EQ(listedText(garage, DiscoveredDeviceList::addressColumn),
              "127.0.0.1:" + portOf(locked));
    EXPECT_EQ(listedText(garage, DiscoveredDeviceList::loginColumn), "Login required");
    EXPECT_EQ(sheet().searchPage().status->text(),
              "Found 2 cameras. Choose one and press Continue.");
    EXPECT_FALSE(sheet().searchPage().message->isVisible());
    EXPECT_TRUE(sheet().searchPage().next->isEnabled());
    // Asked without a login: only the device information.
    EXPECT_EQ(locked.requests(), QStringList{"GetDeviceInformation login=none"});
}

TEST_F(CameraSearchTest, TickedStreamsBecomeRowsOfTheDraftAndNothingIsSaved) {
    startDevice({.secondStream = QStringLiteral("rtsp://127.0.0.1:8554/device1/sub")});
    const QList<Camera> before{
        Camera{QStringLiteral("Porch"), QStringLiteral("rtsp://10.1.1.1/p")}};
    openEditor(before);
    findCameras();
    choose(listedRow(QStringLiteral("Front Door")));

    ASSERT_EQ(sheet().page(), Page::streams) << sheet().searchPage().message->text().toStdString();
    QListWidget& streams = *sheet().streamsPage().streams;
    ASSERT_EQ(streams.count(), 2);
    EXPECT_EQ(streams.item(0)->text(), QString::fromUtf8("Main Stream (H264, 1920\u00d71080)"));
    EXPECT_EQ(streams.item(1)->text(), QString::fromUtf8("Sub Stream (H264, 640\u00d7360)"));
    EXPECT_EQ(streams.item(0)->checkState(), Qt::Checked);
    EXPECT_EQ(streams.item(1)->checkState(), Qt::Unchecked);
    streams.item(0)->setCheckState(Qt::Unchecked);
    EXPECT_FALSE(sheet().streamsPage().add->isEnabled()) << "nothing ticked, nothing to add";
    streams.item(0)->setCheckState(Qt::Checked);
    streams.item(1)->setCheckState(Qt::Checked);
    sheet().addChosenStreams();

    EXPECT_FALSE(sheetIsOpen());
    const QString sub = QStringLiteral("rtsp://127.0.0.1:8554/device1/sub");
    const QList<Camera> expected{
        before.at(0), Camera{QString::fromUtf8("Front Door \u2014 Main Stream"), streamOf(1), sub},
        Camera{QString::fromUtf8("Front Door \u2014 Sub Stream"), sub}};
    EXPECT_EQ(editor->draftCameras(), expected);
    EXPECT_EQ(editor->selectedRow(), 1) << "the first new row is selected";
    EXPECT_TRUE(saved.empty());
    EXPECT_FALSE(QFile::exists(directory.filePath(QStringLiteral("store/cameras.json"))))
        << "nothing reaches the disk before Save";

    editor->save();
    ASSERT_EQ(saved.size(), 1u);
    EXPECT_EQ(saved.at(0), expected);
    EXPECT_TRUE(alerts.empty()) << "the rows pass the editor's validation";
}

TEST_F(CameraSearchTest, TheSharpestStreamBecomesTheCameraAndTheSmallestItsSmallStream) {
    const QString sub = QStringLiteral("rtsp://127.0.0.1:8554/device1/sub");
    startDevice({.secondStream = sub, .secondProfileFirst = true});
    findCameras();
    choose(listedRow(QStringLiteral("Front Door")));
    ASSERT_EQ(sheet().page(), Page::streams) << sheet().searchPage().message->text().toStdString();
    QListWidget& streams = *sheet().streamsPage().streams;
    ASSERT_EQ(streams.count(), 2);
    EXPECT_EQ(streams.item(0)->checkState(), Qt::Unchecked) << "the small one, listed first";
    EXPECT_EQ(streams.item(1)->checkState(), Qt::Checked);
    sheet().addChosenStreams();

    EXPECT_EQ(editor->draftCameras().last(),
              (Camera{QString::fromUtf8("Front Door \u2014 Main Stream"), streamOf(1), sub}));
    const auto* smallStreams = editor->window()->findChild<QCheckBox*>("showSmallStreams");
    ASSERT_NE(smallStreams, nullptr);
    EXPECT_TRUE(smallStreams->isChecked()) << "the small stream found shows in the editor";
}

TEST_F(CameraSearchTest, AWrongLoginIsSaidPlainlyAndTheRightOneEndsUpInTheAddress) {
    // Refused with a SOAP fault, and with HTTP 401; the device's clock two hours
    // ahead, as a camera's often is: the login must carry the device's time.
    for (const int refusal : {400, 401}) {
        SCOPED_TRACE("refused with HTTP " + std::to_string(refusal));
        devices.clear();
        editor.reset();
        TestOnvifDevice& device = startDevice({.user = QStringLiteral("admin"),
                                               .password = QStringLiteral("p@ss:w/rd"),
                                               .unauthorizedStatus = refusal,
                                               .clockOffsetSeconds = 7200});
        openEditor();
        const QList<Camera> before = editor->draftCameras();
        findCameras();
        choose(listedRow(QStringLiteral("Front Door")));
        ASSERT_EQ(sheet().page(), Page::login);
        EXPECT_EQ(sheet().loginPage().heading->text(), "Sign in to Front Door");
        EXPECT_EQ(sheet().loginPage().password->echoMode(), QLineEdit::Password);

        signIn(QStringLiteral("admin"), QStringLiteral("wrong"));
        ASSERT_EQ(sheet().page(), Page::login);
        EXPECT_TRUE(sheet().loginPage().message->isVisible());
        EXPECT_EQ(sheet().loginPage().message->text(),
                  "The camera did not accept this user name and password.");
        EXPECT_EQ(editor->draftCameras(), before);

        signIn(QStringLiteral("admin"), QStringLiteral("p@ss:w/rd"));
        ASSERT_EQ(sheet().page(), Page::streams)
            << sheet().loginPage().message->text().toStdString();
        sheet().addChosenStreams();
        ASSERT_EQ(editor->draftCameras().size(), before.size() + 1);
        const QUrl address(editor->draftCameras().last().url, QUrl::StrictMode);
        EXPECT_EQ(address.userName(), "admin");
        EXPECT_EQ(address.password(QUrl::FullyDecoded), "p@ss:w/rd");
        EXPECT_EQ(address.adjusted(QUrl::RemoveUserInfo).toString(), streamOf(1));

        const QStringList requests = device.requests();
        EXPECT_TRUE(requests.contains("GetProfiles login=refused"))
            << requests.join(", ").toStdString();
        EXPECT_TRUE(requests.contains("GetProfiles login=accepted"))
            << requests.join(", ").toStdString();
        EXPECT_TRUE(requests.contains("GetStreamUri login=accepted"));
        EXPECT_FALSE(device.report().join('\n').contains("password-in-clear"))
            << "the password travels only as a digest";
    }
}

TEST_F(CameraSearchTest, CredentialsGoOnlyToTheChosenDevice) {
    TestOnvifDevice& chosen = startDevice({.name = QStringLiteral("Front Door"),
                                           .user = QStringLiteral("admin"),
                                           .password = QStringLiteral("secret")});
    TestOnvifDevice& other = startDevice({.name = QStringLiteral("Back Door"),
                                          .user = QStringLiteral("admin"),
                                          .password = QStringLiteral("secret")});
    findCameras();
    choose(listedRow(QStringLiteral("Front Door")));
    signIn(QStringLiteral("admin"), QStringLiteral("secret"));
    ASSERT_EQ(sheet().page(), Page::streams);
    EXPECT_TRUE(chosen.requests().contains("GetStreamUri login=accepted"));
    EXPECT_EQ(other.requests(), QStringList{"GetDeviceInformation login=none"});
}

TEST_F(CameraSearchTest, FindsADeviceThatAnswersOnlyOverIPv6LinkLocal) {
    const std::optional<QHostAddress> deviceAddress = addLinkLocalPair();
    ASSERT_TRUE(deviceAddress.has_value());
    QHostAddress unscoped = *deviceAddress;
    unscoped.setScopeId(QString());
    const QString stream = QStringLiteral("rtsp://[%1]:8554/live").arg(unscoped.toString());
    startDevice({.stream = stream, .address = deviceAddress->toString()});
    findCameras();

    ASSERT_EQ(sheet().devices().size(), 1);
    const DiscoveredDevice& found = sheet().devices().at(0);
    const QHostAddress host(found.host());
    EXPECT_TRUE(host.isEqual(unscoped)) << found.host().toStdString();
    EXPECT_FALSE(host.scopeId().isEmpty()) << "reached through the interface that heard it";
    EXPECT_TRUE(listedText(0, DiscoveredDeviceList::addressColumn).startsWith("[fe80:"));

    choose(0);
    ASSERT_EQ(sheet().page(), Page::streams) << sheet().searchPage().message->text().toStdString();
    sheet().addChosenStreams();
    const QString address = editor->draftCameras().last().url;
    EXPECT_TRUE(isRtspAddress(address)) << address.toStdString();
    const QHostAddress streamHost(QUrl(address).host());
    EXPECT_TRUE(streamHost.isEqual(unscoped)) << address.toStdString();
    EXPECT_EQ(streamHost.scopeId(), host.scopeId()) << address.toStdString();
}

TEST_F(CameraSearchTest, AnswersToTheProbeThatCannotBeTrustedAreLeftOut) {
    const QString modes[] = {QStringLiteral("garbage"), QStringLiteral("oversized"),
                             QStringLiteral("silent"), QStringLiteral("off-network")};
    for (const QString& mode : modes) {
        startDevice({.name = QStringLiteral("Bad ") + mode, .discoveryReply = mode});
    }
    startDevice({.name = QStringLiteral("Good")});
    findCameras();
    ASSERT_EQ(sheet().devices().size(), 1);
    EXPECT_EQ(sheet().devices().at(0).name, "Good");
    for (TestOnvifDevice& device : devices) {
        EXPECT_GE(device.probesHeard(), 1) << device.options().name.toStdString();
        EXPECT_TRUE(device.requests().isEmpty() || device.options().name == "Good")
            << device.options().name.toStdString() << " was asked something";
    }

    // With only those, the search says plainly that nothing answered.
    devices.pop_back();
    editor.reset();
    findCameras();
    EXPECT_TRUE(sheet().devices().isEmpty());
    EXPECT_EQ(sheet().searchPage().status->text(), "No cameras found.");
    EXPECT_TRUE(sheet().searchPage().message->isVisible());
    EXPECT_TRUE(sheet().searchPage().message->text().contains("ONVIF"));
    EXPECT_TRUE(sheet().searchPage().message->text().contains("firewall"));
    EXPECT_FALSE(sheet().searchPage().next->isEnabled());
    EXPECT_TRUE(sheet().searchPage().searchAgain->isEnabled());
}

TEST_F(CameraSearchTest, AServiceThatAnswersWronglyOrNotAtAllGivesAMessageAndAddsNothing) {
    const std::pair<QString, QString> cases[] = {
        {QStringLiteral("garbage"), QStringLiteral("not a valid ONVIF answer")},
        {QStringLiteral("oversized"), QStringLiteral("far larger than a camera sends")},
        {QStringLiteral("silent"), QStringLiteral("The camera stopped answering.")},
    };
    for (const auto& [mode, message] : cases) {
        SCOPED_TRACE(mode.toStdString());
        devices.clear();
        editor.reset();
        startDevice({.soapReply = mode});
        openEditor();
        const QList<Camera> before = editor->draftCameras();
        findCameras();
        const int row = listedRow(QStringLiteral("Front Door"));
        ASSERT_GE(row, 0);
        EXPECT_EQ(listedText(row, DiscoveredDeviceList::loginColumn), "Unknown");
        choose(row);
        EXPECT_EQ(sheet().page(), Page::search);
        EXPECT_TRUE(sheet().searchPage().message->isVisible());
        EXPECT_TRUE(sheet().searchPage().message->text().contains(message))
            << sheet().searchPage().message->text().toStdString();
        EXPECT_EQ(editor->draftCameras(), before);
        EXPECT_TRUE(sheetIsOpen());
    }
}

} // namespace
} // namespace rure::test
