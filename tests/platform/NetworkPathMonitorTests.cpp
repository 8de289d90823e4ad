#include "platform/NetworkPathMonitor.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <vector>

namespace rure::test {
namespace {

using Reachability = QNetworkInformation::Reachability;
using Medium = QNetworkInformation::TransportMedium;

void processEventsFor(int milliseconds) {
    QDeadlineTimer deadline(milliseconds);
    while (!deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
}

TEST(NetworkPathSignatureFrom, mapsEveryReachabilityAndMedium) {
    struct ReachabilityRow {
        Reachability reachability;
        bool satisfied;
    };
    const std::vector<ReachabilityRow> reachabilities = {
        {Reachability::Unknown, true}, {Reachability::Disconnected, false},
        {Reachability::Local, true},   {Reachability::Site, true},
        {Reachability::Online, true},
    };
    struct MediumRow {
        Medium medium;
        bool wifi;
        bool ethernet;
        bool other;
    };
    const std::vector<MediumRow> media = {
        {Medium::Unknown, false, false, false},  {Medium::WiFi, true, false, false},
        {Medium::Ethernet, false, true, false},  {Medium::Cellular, false, false, true},
        {Medium::Bluetooth, false, false, true},
    };
    for (const ReachabilityRow& reachability : reachabilities) {
        for (const MediumRow& medium : media) {
            SCOPED_TRACE(::testing::Message()
                         << "reachability " << static_cast<int>(reachability.reachability)
                         << ", medium " << static_cast<int>(medium.medium));
            const NetworkPathSignature expected{reachability.satisfied, medium.wifi,
                                                medium.ethernet, medium.other};
            EXPECT_EQ(networkPathSignatureFrom(reachability.reachability, medium.medium), expected);
        }
    }
}

// Qt loads backends from its plugin folders; with none to be found the path
// counts as usable and no report comes. Loaded backends stay for the life of
// the process, so this holds only where no earlier case loaded one (CTest runs
// each case in its own process).
TEST(NetworkPathMonitor, withoutAnyBackendStartFailsQuietly) {
    if (QNetworkInformation::instance() != nullptr) {
        GTEST_SKIP() << "a backend is already loaded in this process";
    }
    QTemporaryDir emptyPluginFolder;
    ASSERT_TRUE(emptyPluginFolder.isValid());
    const QStringList pluginFolders = QCoreApplication::libraryPaths();
    QCoreApplication::setLibraryPaths({emptyPluginFolder.path()});

    int reports = 0;
    NetworkPathMonitor monitor([&](NetworkPathSignature) { ++reports; });
    const bool started = monitor.start();
    QCoreApplication::setLibraryPaths(pluginFolders);

    EXPECT_FALSE(started);
    EXPECT_FALSE(monitor.hasBackend());
    EXPECT_TRUE(monitor.backendName().isEmpty());
    processEventsFor(300);
    EXPECT_EQ(reports, 0);
}

// Each case starts its own monitor on the process-wide network information;
// which backend (if any) loads depends on the machine, so both outcomes are checked.
TEST(NetworkPathMonitor, reportsThePathOnceAfterStartAndNothingAfterCancel) {
    std::vector<NetworkPathSignature> reports;
    NetworkPathMonitor monitor(
        [&](NetworkPathSignature signature) { reports.push_back(signature); });

    const bool started = monitor.start();
    EXPECT_EQ(monitor.hasBackend(), started);
    // The first report is posted, never made from inside start().
    EXPECT_TRUE(reports.empty());
    if (!started) {
        EXPECT_TRUE(monitor.backendName().isEmpty());
        processEventsFor(300);
        EXPECT_TRUE(reports.empty());
        return;
    }
    EXPECT_FALSE(monitor.backendName().isEmpty());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !reports.empty(); }, 10000));
    processEventsFor(300);
    EXPECT_EQ(reports.size(), 1u);
    QNetworkInformation* information = QNetworkInformation::instance();
    ASSERT_NE(information, nullptr);
    EXPECT_EQ(reports.front(), networkPathSignatureFrom(information->reachability(),
                                                        information->transportMedium()));

    // Reachability and medium changing together make one report.
    emit information->reachabilityChanged(information->reachability());
    emit information->transportMediumChanged(information->transportMedium());
    ASSERT_TRUE(QTest::qWaitFor([&] { return reports.size() >= 2; }, 10000));
    processEventsFor(300);
    EXPECT_EQ(reports.size(), 2u);

    monitor.cancel();
    emit information->reachabilityChanged(information->reachability());
    emit information->transportMediumChanged(information->transportMedium());
    processEventsFor(300);
    EXPECT_EQ(reports.size(), 2u);
}

TEST(NetworkPathMonitor, cancelDropsTheReportAlreadyPosted) {
    int reports = 0;
    NetworkPathMonitor monitor([&](NetworkPathSignature) { ++reports; });
    const bool started = monitor.start();
    EXPECT_EQ(monitor.hasBackend(), started);
    monitor.cancel();
    processEventsFor(300);
    EXPECT_EQ(reports, 0);
}

} // namespace
} // namespace rure::test
