#pragma once

// The camera editor with its "Find Cameras" sheet, searching the test's own
// network namespace, where the test's ONVIF devices answer.
#include "config/CameraConfigurationStore.h"
#include "settings/CameraDiscoverySheet.h"
#include "settings/CameraSettingsController.h"
#include "settings/DiscoveredDeviceList.h"
#include "support/TestOnvifDevice.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QHostAddress>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <chrono>
#include <deque>
#include <functional>
#include <memory>

namespace rure::test {

class CameraSearchTest : public ::testing::Test {
protected:
    ~CameraSearchTest() override;

    // Where the devices say their streams are; nothing has to serve them here.
    static QString streamOf(int device) {
        return QStringLiteral("rtsp://127.0.0.1:8554/device%1/main").arg(device);
    }

    // Starts a device; its stream defaults to streamOf(its number).
    TestOnvifDevice& startDevice(TestOnvifDevice::Options options);

    CameraSettingsController&
    openEditor(QList<Camera> cameras = {
                   Camera{QStringLiteral("Porch"), QStringLiteral("rtsp://10.1.1.1/porch")}});
    // Presses "Find Cameras…" and waits until the search has finished.
    CameraDiscoverySheet& findCameras();
    CameraDiscoverySheet& sheet();
    bool sheetIsOpen() const;

    // The row of the device whose name column reads `name`; -1 when not listed.
    int listedRow(const QString& name);
    QString listedText(int row, DiscoveredDeviceList::Column column);
    // Chooses the device in `row` and waits until the sheet has its answer.
    void choose(int row);
    // Types the credentials, connects and waits for the answer.
    void signIn(const QString& user, const QString& password);

    static bool waitFor(const std::function<bool()>& done, int timeoutMs = 20000);

    // A pair of linked Ethernet interfaces in the test's namespace, "rure-a"
    // and "rure-b", up, with IPv6 link-local addresses and nothing else. Answers
    // the address of "rure-b" with its interface; none, with the reason traced,
    // when the pair cannot be made.
    static std::optional<QHostAddress> addLinkLocalPair();

    DiscoverySetup setup{std::chrono::milliseconds(1500), std::chrono::milliseconds(2500), {}};
    std::deque<TestOnvifDevice> devices;
    std::vector<CameraAlert> alerts;
    std::vector<QList<Camera>> saved;
    QTemporaryDir directory;
    CameraConfigurationStore store{directory.filePath(QStringLiteral("store"))};
    std::unique_ptr<CameraSettingsController> editor;
};

} // namespace rure::test
