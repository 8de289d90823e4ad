// What a found stream becomes in the editor: a row named after the device and
// the profile, whose address carries the credentials so that the editor's
// check accepts it and the engine reads them back exactly; and which
// addresses count as the local network of an interface.
#include "common/RtspAddress.h"
#include "discovery/DeviceStreamRoles.h"
#include "discovery/LocalNetwork.h"
#include "settings/DiscoveredCameras.h"

#include <gtest/gtest.h>

namespace rure::test {
namespace {

DiscoveredDevice frontDoor() {
    DiscoveredDevice device;
    device.endpoint = QStringLiteral("urn:uuid:1");
    device.serviceAddress = QUrl(QStringLiteral("http://10.0.0.5/onvif/device_service"));
    device.name = QStringLiteral("Front Door");
    device.manufacturer = QStringLiteral("Rure Labs");
    device.model = QStringLiteral("RT-100");
    return device;
}

DeviceStream stream(const QString& name, const QString& address) {
    return DeviceStream{MediaProfile{QStringLiteral("token"), name, {}, 0, 0}, QUrl(address)};
}

TEST(DiscoveredCamerasTest, EachStreamBecomesARowNamedAfterTheDeviceAndProfile) {
    DiscoveredDevice unnamed = frontDoor();
    unnamed.name.clear();
    DiscoveredDevice anonymous = unnamed;
    anonymous.manufacturer.clear();
    anonymous.model.clear();
    const QList<DeviceStream> offered{
        stream(QStringLiteral("Main Stream"), QStringLiteral("rtsp://10.0.0.5/main")),
        stream(QStringLiteral("Sub Stream"), QStringLiteral("rtsp://10.0.0.5:8554/sub"))};
    const QList<Camera> rows = discoveredCameras(frontDoor(), offered, {0, 1}, {});
    ASSERT_EQ(rows.size(), 2);
    // The main stream's row carries the device's small stream.
    EXPECT_EQ(rows.at(0), (Camera{QStringLiteral("Front Door \u2014 Main Stream"),
                                  QStringLiteral("rtsp://10.0.0.5/main"),
                                  QStringLiteral("rtsp://10.0.0.5:8554/sub")}));
    EXPECT_EQ(rows.at(1), (Camera{QStringLiteral("Front Door \u2014 Sub Stream"),
                                  QStringLiteral("rtsp://10.0.0.5:8554/sub")}));
    const DeviceCredentials login{QStringLiteral("admin"), QStringLiteral("pw")};
    EXPECT_EQ(discoveredCameras(frontDoor(), offered, {0}, login).value(0).subStreamUrl,
              addressWithCredentials(offered.at(1).address, login));
    EXPECT_EQ(discoveredCameraName(unnamed, MediaProfile{"t", "Main", {}, 0, 0}),
              QStringLiteral("Rure Labs RT-100 \u2014 Main"));
    EXPECT_EQ(discoveredCameraName(anonymous, MediaProfile{"t", "Main", {}, 0, 0}),
              QStringLiteral("10.0.0.5 \u2014 Main"));
}

DeviceStream sized(const QString& name, int width, int height, const QString& path = {}) {
    return DeviceStream{MediaProfile{name, name, {}, width, height},
                        QUrl(QStringLiteral("rtsp://10.0.0.5/") + (path.isEmpty() ? name : path))};
}

TEST(DeviceStreamRolesTest, TheSharpestStreamIsTheMainOneAndTheSmallestItsSmallStream) {
    const std::pair<QList<DeviceStream>, DeviceStreamRoles> cases[] = {
        {{sized("main", 1920, 1080)}, {0, std::nullopt}},
        {{sized("sub", 640, 360), sized("main", 1920, 1080)}, {1, 0}},
        {{sized("mid", 1280, 720), sized("main", 2560, 1440), sized("sub", 640, 360)}, {1, 2}},
        {{sized("a", 1280, 720), sized("b", 1280, 720)}, {0, std::nullopt}},
        // A size not known: the device's order.
        {{sized("sub", 640, 360), sized("unknown", 0, 0), sized("main", 1920, 1080)}, {0, 2}},
        {{sized("main", 1920, 1080), sized("sub", 640, 360, "main")}, {0, std::nullopt}},
    };
    int number = 0;
    for (const auto& [streams, roles] : cases) {
        SCOPED_TRACE(++number);
        EXPECT_TRUE(deviceStreamRoles(streams) == roles);
    }
}

TEST(DiscoveredCamerasTest, CredentialsGoIntoTheAddressAsTheEditorAndEngineReadThem) {
    const struct {
        QString user;
        QString password;
    } cases[] = {
        {QStringLiteral("admin"), QStringLiteral("secret")},
        {QStringLiteral("admin"), QStringLiteral("p@ss:w/rd?#%41 x")},
        {QStringLiteral("us er@home"), QStringLiteral("\u00e9t\u00e9")},
        {QStringLiteral("viewer"), QString()},
    };
    for (const auto& [user, password] : cases) {
        SCOPED_TRACE(user.toStdString() + " / " + password.toStdString());
        const QString address = addressWithCredentials(
            QUrl(QStringLiteral("rtsp://10.0.0.5:554/live?channel=1")), {user, password});
        EXPECT_TRUE(isRtspAddress(address)) << address.toStdString();
        const QUrl read(address, QUrl::StrictMode);
        EXPECT_EQ(read.userName(QUrl::FullyDecoded), user);
        EXPECT_EQ(read.password(QUrl::FullyDecoded), password);
        EXPECT_EQ(read.host(), "10.0.0.5");
        EXPECT_EQ(read.port(), 554);
        EXPECT_EQ(read.path(), "/live");
        EXPECT_EQ(read.query(), "channel=1");
    }
    EXPECT_EQ(addressWithCredentials(QUrl(QStringLiteral("rtsp://10.0.0.5/live")), {}),
              "rtsp://10.0.0.5/live");
}

QNetworkAddressEntry entry(const QString& address, int prefixLength) {
    QNetworkAddressEntry result;
    result.setIp(QHostAddress(address));
    result.setPrefixLength(prefixLength);
    return result;
}

TEST(LocalNetworkTest, OnlyAddressesOnTheInterfacesOwnNetworksCount) {
    LocalNetwork ethernet;
    ethernet.interfaceName = QStringLiteral("eth0");
    ethernet.interfaceIndex = 2;
    ethernet.ipv4 = {entry(QStringLiteral("192.168.1.20"), 24)};
    ethernet.ipv6 = {entry(QStringLiteral("fe80::1"), 64)};
    LocalNetwork loopback;
    loopback.interfaceName = QStringLiteral("lo");
    loopback.isLoopback = true;
    loopback.ipv4 = {entry(QStringLiteral("127.0.0.1"), 8)};
    loopback.ipv6 = {entry(QStringLiteral("::1"), 128)};

    const std::tuple<const LocalNetwork*, QString, bool> cases[] = {
        {&ethernet, QStringLiteral("192.168.1.77"), true},
        {&ethernet, QStringLiteral("::ffff:192.168.1.77"), true},
        {&ethernet, QStringLiteral("192.168.2.77"), false},
        {&ethernet, QStringLiteral("8.8.8.8"), false},
        {&ethernet, QStringLiteral("127.0.0.1"), false},
        {&ethernet, QStringLiteral("fe80::abcd"), true},
        {&ethernet, QStringLiteral("fe80::abcd%eth0"), true},
        {&ethernet, QStringLiteral("fe80::abcd%wlan0"), false},
        {&ethernet, QStringLiteral("2001:db8::1"), false},
        {&loopback, QStringLiteral("127.0.0.1"), true},
        {&loopback, QStringLiteral("127.3.2.1"), true},
        {&loopback, QStringLiteral("::1"), true},
        {&loopback, QStringLiteral("192.168.1.77"), false},
        {&loopback, QStringLiteral("192.0.2.44"), false},
        {&loopback, QStringLiteral("fe80::abcd"), false},
    };
    for (const auto& [network, address, expected] : cases) {
        EXPECT_EQ(network->contains(QHostAddress(address)), expected)
            << network->interfaceName.toStdString() << " " << address.toStdString();
    }
    EXPECT_FALSE(hostAddressOf(QUrl(QStringLiteral("http://camera.local/onvif"))).has_value())
        << "a name is not an address on any network";
    EXPECT_EQ(hostAddressOf(QUrl(QStringLiteral("http://10.0.0.5:80/onvif"))),
              QHostAddress(QStringLiteral("10.0.0.5")));
}

} // namespace
} // namespace rure::test
