#include "LocalHttpsServer.h"
#include "TestCertificates.h"
#include "UpdateTestSupport.h"
#include "support/LogCapture.h"
#include "updates/RureUpdateService.h"
#include "updates/UpdateCheckScheduler.h"

#include <QSettings>
#include <QTcpServer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace rure::test {
namespace {

using namespace std::chrono_literals;

const QString upToDateTitle = QStringLiteral("Rure is up to date");
const QString upToDateMessage =
    QString::fromUtf8("You’re using the newest available version of Rure.");
const QString failureTitle = QString::fromUtf8("Couldn’t check for updates");
QString incompleteLine(const char* kind) {
    return QStringLiteral("The update check did not complete successfully (%1).")
        .arg(QLatin1String(kind));
}

struct StatusAlert {
    QString title;
    QString message;
    friend bool operator==(const StatusAlert&, const StatusAlert&) = default;
};

// A real service against the local server; the installed viewer is 1.2 build 5.
class UpdateCheckSchedulerTest : public ::testing::Test {
protected:
    UpdateCheckSchedulerTest()
        : now(QDateTime(QDate(2025, 3, 14), QTime(9, 26, 53), Qt::UTC)),
          service(server.baseUrl(), {TestCertificates::shared().authority}, 10s, [] {
              return InstalledIdentity{QStringLiteral("1.2"), QStringLiteral("5")};
          }) {
        server.respond(200, manifestJson(QStringLiteral("1.2"), 5));
    }

    QString settingsPath() const { return directory.filePath(QStringLiteral("rure.conf")); }

    // A scheduler as at one launch: its own settings object on the shared file.
    std::unique_ptr<UpdateCheckScheduler> launch() {
        settings = std::make_unique<QSettings>(settingsPath(), QSettings::IniFormat);
        UpdateCheckPresenters presenters{
            [this](const QString& title, const QString& message) {
                statusAlerts.push_back({title, message});
            },
            [this](const RureUpdateManifest& manifest) { updateAlerts.push_back(manifest); },
        };
        return std::make_unique<UpdateCheckScheduler>(service, *settings, std::move(presenters),
                                                      [this] { return now; });
    }

    // The stored time as a later launch reads it from the file.
    QVariant storedTime() const {
        if (settings) {
            settings->sync();
        }
        return QSettings(settingsPath(), QSettings::IniFormat)
            .value(UpdateCheckScheduler::lastCheckKey);
    }

    void store(const QVariant& value) {
        QSettings file(settingsPath(), QSettings::IniFormat);
        file.setValue(UpdateCheckScheduler::lastCheckKey, value);
    }

    int alertCount() const { return int(statusAlerts.size() + updateAlerts.size()); }

    // Waits until a started check has ended: reported, or failed silently.
    void finishCheck(UpdateCheckScheduler& scheduler) {
        ASSERT_TRUE(waitUntil([&] { return !scheduler.isChecking(); }));
        keepRunningFor(50);
    }

    LogCapture log;
    QTemporaryDir directory;
    LocalHttpsServer server{TestCertificates::shared()};
    QDateTime now;
    RureUpdateService service;
    std::unique_ptr<QSettings> settings;
    std::vector<StatusAlert> statusAlerts;
    std::vector<RureUpdateManifest> updateAlerts;
};

TEST_F(UpdateCheckSchedulerTest, firstLaunchChecksSilentlyAndTheNextDayChecksAgain) {
    auto scheduler = launch();
    scheduler->checkForUpdatesIfNeeded();
    EXPECT_TRUE(scheduler->isChecking());
    finishCheck(*scheduler);
    EXPECT_EQ(server.requestLines().size(), 1);
    EXPECT_EQ(alertCount(), 0);
    EXPECT_EQ(storedTime(), QVariant(now));

    // Relaunches: within a day nothing is checked; a day later it is.
    const QDateTime checked = now;
    for (const qint64 elapsed : {qint64{1}, qint64{3600}, qint64{86'399}}) {
        SCOPED_TRACE(elapsed);
        now = checked.addSecs(elapsed);
        scheduler = launch();
        scheduler->checkForUpdatesIfNeeded();
        EXPECT_FALSE(scheduler->isChecking());
    }
    now = checked.addMSecs(86'399'999);
    scheduler = launch();
    scheduler->checkForUpdatesIfNeeded();
    EXPECT_FALSE(scheduler->isChecking());
    keepRunningFor(50);
    EXPECT_EQ(server.connectionCount(), 1);

    now = checked.addSecs(86'400);
    scheduler = launch();
    scheduler->checkForUpdatesIfNeeded();
    EXPECT_TRUE(scheduler->isChecking());
    finishCheck(*scheduler);
    EXPECT_EQ(server.requestLines().size(), 2);
    EXPECT_EQ(storedTime(), QVariant(now));
}

TEST_F(UpdateCheckSchedulerTest, storedTimeInTheFutureDelaysTheCheckUntilADayAfterIt) {
    const QDateTime future = now.addDays(3);
    store(future);
    auto scheduler = launch();
    scheduler->checkForUpdatesIfNeeded();
    EXPECT_FALSE(scheduler->isChecking());

    now = future.addSecs(86'399);
    scheduler = launch();
    scheduler->checkForUpdatesIfNeeded();
    EXPECT_FALSE(scheduler->isChecking());

    now = future.addSecs(86'400);
    scheduler = launch();
    scheduler->checkForUpdatesIfNeeded();
    EXPECT_TRUE(scheduler->isChecking());
    finishCheck(*scheduler);
    EXPECT_EQ(server.requestLines().size(), 1);
}

TEST_F(UpdateCheckSchedulerTest, storedValueThatIsNotATimeCountsAsNone) {
    for (const QVariant& value :
         {QVariant(QStringLiteral("yesterday")), QVariant(42), QVariant(QDateTime())}) {
        SCOPED_TRACE(value.toString().toStdString());
        store(value);
        auto scheduler = launch();
        scheduler->checkForUpdatesIfNeeded();
        EXPECT_TRUE(scheduler->isChecking());
        finishCheck(*scheduler);
        EXPECT_EQ(storedTime(), QVariant(now));
    }
}

TEST_F(UpdateCheckSchedulerTest, failedAutomaticCheckShowsAndStoresNothing) {
    server.respond(404, "gone");
    auto scheduler = launch();
    scheduler->checkForUpdatesIfNeeded();
    finishCheck(*scheduler);
    EXPECT_EQ(server.requestLines().size(), 1);
    EXPECT_EQ(alertCount(), 0);
    EXPECT_FALSE(storedTime().isValid());
    EXPECT_EQ(log.count(incompleteLine("server error status")), 1);
    for (const RureLogEntry& entry : log.entries()) {
        if (entry.text == incompleteLine("server error status")) {
            EXPECT_EQ(entry.category, RureLogCategory::updates);
            EXPECT_EQ(entry.level, RureLogLevel::error);
        }
    }

    // So the next launch checks again.
    server.respond(200, manifestJson(QStringLiteral("1.2"), 5));
    scheduler = launch();
    scheduler->checkForUpdatesIfNeeded();
    EXPECT_TRUE(scheduler->isChecking());
    finishCheck(*scheduler);
    EXPECT_EQ(storedTime(), QVariant(now));
}

TEST_F(UpdateCheckSchedulerTest, newerReleaseIsOfferedAfterAutomaticAndManualChecks) {
    server.respond(200, manifestJson(QStringLiteral("1.3"), 1));
    const RureUpdateManifest newer{QStringLiteral("1.3"), 1,
                                   QStringLiteral("https://didirezoror.com/rure")};
    auto scheduler = launch();
    scheduler->checkForUpdatesIfNeeded();
    finishCheck(*scheduler);
    EXPECT_EQ(updateAlerts, std::vector<RureUpdateManifest>{newer});
    EXPECT_TRUE(statusAlerts.empty());
    EXPECT_EQ(storedTime(), QVariant(now));

    now = now.addSecs(60);
    scheduler->checkForUpdates();
    finishCheck(*scheduler);
    EXPECT_EQ(updateAlerts, (std::vector<RureUpdateManifest>{newer, newer}));
    EXPECT_TRUE(statusAlerts.empty());
    EXPECT_EQ(storedTime(), QVariant(now));
}

TEST_F(UpdateCheckSchedulerTest, manualCheckSaysUpToDateAndPostponesTheAutomaticOne) {
    auto scheduler = launch();
    scheduler->checkForUpdates();
    finishCheck(*scheduler);
    EXPECT_EQ(statusAlerts, (std::vector<StatusAlert>{{upToDateTitle, upToDateMessage}}));
    EXPECT_TRUE(updateAlerts.empty());
    EXPECT_EQ(storedTime(), QVariant(now));

    now = now.addSecs(3600);
    scheduler = launch();
    scheduler->checkForUpdatesIfNeeded();
    EXPECT_FALSE(scheduler->isChecking());
}

TEST_F(UpdateCheckSchedulerTest, failedManualCheckShowsTheErrorsDescription) {
    struct Row {
        int status;
        QByteArray body;
        QString message;
    };
    const std::vector<Row> rows = {
        {200, QByteArray(65'537, ' '),
         QStringLiteral("The update server returned an invalid response.")},
        {503, "busy", QStringLiteral("The update server is unavailable.")},
        {200, "[]", QStringLiteral("The update manifest is not a JSON object.")},
    };
    auto scheduler = launch();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.message.toStdString());
        statusAlerts.clear();
        server.respond(row.status, row.body);
        scheduler->checkForUpdates();
        finishCheck(*scheduler);
        EXPECT_EQ(statusAlerts, (std::vector<StatusAlert>{{failureTitle, row.message}}));
    }
    EXPECT_FALSE(storedTime().isValid());
}

// Each failure is logged with its kind, and never with the server's address.
TEST_F(UpdateCheckSchedulerTest, aFailedCheckLogsItsKindWithoutTheAddress) {
    QTcpServer plain;
    ASSERT_TRUE(plain.listen(QHostAddress::LocalHost, 0));
    const QByteArray plainAddress =
        "http://127.0.0.1:" + QByteArray::number(plain.serverPort()) + "/rure/version.json";
    const struct {
        const char* kind;
        std::function<void()> arrange;
        bool trusted;
    } rows[] = {
        {"size", [&] { server.respond(200, QByteArray(65'537, ' ')); }, true},
        {"server error status", [&] { server.respond(503, "busy"); }, true},
        {"invalid manifest", [&] { server.respond(200, "[]"); }, true},
        {"certificate", [&] { server.respond(200, manifestJson(QStringLiteral("1.3"), 1)); },
         false},
        {"redirect to plain HTTP", [&] { server.respond(301, "", {"Location: " + plainAddress}); },
         true},
        {"time-out", [&] { server.setBehaviour(LocalHttpsServer::Behaviour::neverAnswer); }, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.kind);
        log.clear();
        server.setBehaviour(LocalHttpsServer::Behaviour::answer);
        row.arrange();
        const RureUpdateService checker(
            server.baseUrl(),
            row.trusted ? QList<QSslCertificate>{TestCertificates::shared().authority}
                        : QList<QSslCertificate>{},
            300ms, [] {
                return InstalledIdentity{QStringLiteral("1.2"), QStringLiteral("5")};
            });
        settings = std::make_unique<QSettings>(settingsPath(), QSettings::IniFormat);
        UpdateCheckScheduler scheduler(checker, *settings, {}, [this] { return now; });
        scheduler.checkForUpdates();
        finishCheck(scheduler);
        EXPECT_EQ(log.count(incompleteLine(row.kind)), 1);
        for (const RureLogEntry& entry : log.entries()) {
            EXPECT_FALSE(entry.text.contains(QString::number(server.baseUrl().port())))
                << entry.text.toStdString();
        }
    }
}

TEST_F(UpdateCheckSchedulerTest, newCheckCancelsTheOneBefore) {
    auto scheduler = launch();
    scheduler->checkForUpdates();
    scheduler->checkForUpdates();
    finishCheck(*scheduler);
    keepRunningFor(300);
    EXPECT_EQ(statusAlerts, (std::vector<StatusAlert>{{upToDateTitle, upToDateMessage}}));
    // The cancelled check is logged as one that did not complete.
    EXPECT_EQ(log.count(incompleteLine("cut short")), 1);
}

TEST_F(UpdateCheckSchedulerTest, cancelledCheckShowsAndStoresNothing) {
    server.setBehaviour(LocalHttpsServer::Behaviour::neverAnswer);
    auto scheduler = launch();
    scheduler->checkForUpdates();
    ASSERT_TRUE(waitUntil([&] { return server.requestLines().size() == 1; }));
    scheduler->cancel();
    EXPECT_FALSE(scheduler->isChecking());
    ASSERT_TRUE(waitUntil([&] { return server.closedConnectionCount() == 1; }));

    // Going away with a check in flight cancels it too.
    scheduler->checkForUpdates();
    scheduler.reset();
    keepRunningFor(300);
    EXPECT_EQ(alertCount(), 0);
    EXPECT_FALSE(storedTime().isValid());
}

} // namespace
} // namespace rure::test
