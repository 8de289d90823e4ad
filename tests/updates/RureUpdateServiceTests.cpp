#include "LocalHttpsServer.h"
#include "TestCertificates.h"
#include "UpdateTestSupport.h"
#include "support/LogCapture.h"
#include "updates/RureUpdateAddress.h"
#include "updates/RureUpdateCheckError.h"
#include "updates/RureUpdateService.h"
#include "updates/UpdateCheckTransfer.h"

#include <QNetworkReply>
#include <QPointer>
#include <QTcpServer>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>

namespace rure::test {
namespace {

using namespace std::chrono_literals;

const QString manifestRequestLine = QStringLiteral("GET /rure/version.json HTTP/1.1");

class RureUpdateServiceTest : public ::testing::Test {
protected:
    RureUpdateService serviceFor(QUrl base, QList<QSslCertificate> trusted,
                                 std::chrono::milliseconds limit = 10s) {
        return RureUpdateService(std::move(base), std::move(trusted), limit,
                                 [this] { return installed; });
    }
    RureUpdateService service(std::chrono::milliseconds limit = 10s) {
        return serviceFor(server.baseUrl(), {TestCertificates::shared().authority}, limit);
    }

    // Runs one check to its end and returns its single outcome.
    Result<RureUpdateCheckResult> runCheck(const RureUpdateService& checker) {
        CompletionRecorder recorder;
        RureUpdateCheck check = checker.check(recorder.completion());
        EXPECT_EQ(recorder.calls(), 0) << "the completion ran within check()";
        EXPECT_TRUE(waitUntil([&] { return recorder.calls() > 0; }));
        // A second report would come from the same events; give them time.
        keepRunningFor(50);
        EXPECT_EQ(recorder.calls(), 1);
        EXPECT_FALSE(check.isRunning());
        if (!recorder.last()) {
            return Error{ErrorDomain::other, -1, QStringLiteral("no outcome")};
        }
        return *recorder.last();
    }

    void expectFailure(const Result<RureUpdateCheckResult>& result, const Error& expected) {
        ASSERT_FALSE(result.ok());
        EXPECT_EQ(result.error(), expected) << result.error().description.toStdString();
    }

    LogCapture log;
    LocalHttpsServer server{TestCertificates::shared()};
    InstalledIdentity installed{QStringLiteral("1.2.0"), QStringLiteral("5")};
};

TEST_F(RureUpdateServiceTest, fetchesTheManifestOnceAndDecides) {
    struct Row {
        QString version;
        qint64 build;
        bool available;
    };
    const Row rows[] = {
        {QStringLiteral("1.3"), 1, true},
        {QStringLiteral("1.2"), 6, true},
        {QStringLiteral("1.2"), 5, false},
        {QStringLiteral("1.1.9"), 100, false},
    };
    const RureUpdateService checker = service();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.version.toStdString());
        log.clear();
        const int requestsBefore = server.requestLines().size();
        server.respond(200, manifestJson(row.version, row.build));

        const Result<RureUpdateCheckResult> result = runCheck(checker);

        ASSERT_TRUE(result.ok()) << result.error().description.toStdString();
        const RureUpdateManifest manifest{row.version, row.build,
                                          QStringLiteral("https://didirezoror.com/rure")};
        EXPECT_EQ(result.value(), row.available ? RureUpdateCheckResult::available(manifest)
                                                : RureUpdateCheckResult::current());
        EXPECT_EQ(server.requestLines().mid(requestsBefore), QStringList{manifestRequestLine});
        EXPECT_EQ(log.texts(RureLogCategory::updates),
                  (QStringList{QStringLiteral("Checking the official Rure update manifest."),
                               QStringLiteral("Validated update manifest build %1 against "
                                              "installed build 5.")
                                   .arg(row.build)}));
    }
}

TEST_F(RureUpdateServiceTest, readsTheInstalledIdentityAtEachCheck) {
    server.respond(200, manifestJson(QStringLiteral("1.2.0"), 5));
    const RureUpdateService checker = service();

    installed = {QStringLiteral("1.2"), std::nullopt};
    const Result<RureUpdateCheckResult> first = runCheck(checker);
    ASSERT_TRUE(first.ok());
    EXPECT_TRUE(first.value().isAvailable());
    EXPECT_TRUE(log.contains(
        QStringLiteral("Validated update manifest build 5 against installed build 0.")));

    installed = {QStringLiteral("1.2"), QStringLiteral("-9223372036854775808")};
    const Result<RureUpdateCheckResult> second = runCheck(checker);
    ASSERT_TRUE(second.ok());
    EXPECT_TRUE(log.contains(QStringLiteral(
        "Validated update manifest build 5 against installed build -9223372036854775808.")));

    installed = {QStringLiteral("1.2"), QStringLiteral("5")};
    const Result<RureUpdateCheckResult> third = runCheck(checker);
    ASSERT_TRUE(third.ok());
    EXPECT_FALSE(third.value().isAvailable());
}

TEST_F(RureUpdateServiceTest, statusOutside200To299IsUnavailableOnceTheBodyIsIn) {
    const RureUpdateService checker = service();
    const QByteArray elsewhere = "Location: " + server.baseUrl().toEncoded() + "/elsewhere";
    const struct {
        int status;
        QList<QByteArray> headers;
    } rows[] = {
        {404, {}},
        {400, {}},
        {500, {}},
        // Not redirects that are followed: 300 and 305 even with a Location,
        // a moved address without one.
        {300, {elsewhere}},
        {305, {elsewhere}},
        {301, {}},
        {302, {"Location:"}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.status);
        const int requestsBefore = server.requestLines().size();
        // A valid manifest in the body does not matter.
        server.respond(row.status, manifestJson(QStringLiteral("9.9"), 9), row.headers);
        expectFailure(runCheck(checker), toError(RureUpdateCheckError::serverUnavailable));
        EXPECT_EQ(toError(RureUpdateCheckError::serverUnavailable).description,
                  QStringLiteral("The update server is unavailable."));
        EXPECT_EQ(server.requestLines().mid(requestsBefore), QStringList{manifestRequestLine});
    }
    for (const QString& text : log.texts()) {
        EXPECT_FALSE(text.contains(QStringLiteral("against installed build")))
            << text.toStdString();
    }
}

TEST_F(RureUpdateServiceTest, bodyIsLimitedTo65536Bytes) {
    // Told to the user as any invalid response, and told apart in the log.
    const Error tooLong{ErrorDomain::other, 5,
                        QStringLiteral("The update server returned an invalid response.")};
    EXPECT_EQ(toError(RureUpdateCheckError::responseTooLarge), tooLong);
    const RureUpdateService checker = service();

    // The size limit is met before the status is looked at.
    server.respond(404, QByteArray(70'000, 'x'));
    expectFailure(runCheck(checker), tooLong);

    QByteArray padded = manifestJson(QStringLiteral("1.3"), 8);
    padded.append(65'536 - padded.size(), ' ');
    server.respond(200, padded);
    const Result<RureUpdateCheckResult> exact = runCheck(checker);
    ASSERT_TRUE(exact.ok()) << exact.error().description.toStdString();
    EXPECT_TRUE(exact.value().isAvailable());
    EXPECT_EQ(exact.value().manifest().build, 8);

    padded.append(' ');
    server.respond(200, padded);
    expectFailure(runCheck(checker), tooLong);

    server.respond(200, QByteArray(3'000'000, ' '));
    expectFailure(runCheck(checker), tooLong);
}

TEST_F(RureUpdateServiceTest, decoderErrorsArePassedOn) {
    const RureUpdateService checker = service();
    const QByteArray bodies[] = {
        R"([{"version":"1.3","build":8,"downloadPage":"https://didirezoror.com/rure"}])",
        R"({"version":"1.3","downloadPage":"https://didirezoror.com/rure"})",
        "not json",
        "",
    };
    for (const QByteArray& body : bodies) {
        SCOPED_TRACE(body.toStdString());
        server.respond(200, body);
        const Result<RureUpdateCheckResult> result = runCheck(checker);
        ASSERT_FALSE(result.ok());
        EXPECT_EQ(result.error(), RureUpdateManifest::decode(body).error());
        EXPECT_FALSE(updateCheckErrorOf(result.error()).has_value());
    }
}

TEST_F(RureUpdateServiceTest, extraKeysAreAccepted) {
    server.respond(200, R"({"version": "2.0", "build": 12, "notes": "Faster start.",
                            "downloadPage": "https://didirezoror.com/rure/", "sha256": "00"})");
    const Result<RureUpdateCheckResult> result = runCheck(service());
    ASSERT_TRUE(result.ok()) << result.error().description.toStdString();
    EXPECT_EQ(result.value(),
              RureUpdateCheckResult::available(
                  {QStringLiteral("2.0"), 12, QStringLiteral("https://didirezoror.com/rure/")}));
}

TEST_F(RureUpdateServiceTest, rejectedManifestsFailWithTheDownloadAddressError) {
    const Error rejected{ErrorDomain::other, 4,
                         QStringLiteral("The update server returned an invalid download address.")};
    const RureUpdateService checker = service();
    const QByteArray bodies[] = {
        manifestJson(QStringLiteral("9.0"), 9, QStringLiteral("http://didirezoror.com/rure")),
        manifestJson(QStringLiteral("9.0"), 9, QStringLiteral("https://127.0.0.1/rure")),
        manifestJson(QStringLiteral("9.0"), 9, QStringLiteral("https://didirezoror.com/rure/x")),
        manifestJson(QStringLiteral("9.0"), 0),
        manifestJson(QStringLiteral("9.0-beta"), 9),
        manifestJson(QStringLiteral("9"), 9),
    };
    for (const QByteArray& body : bodies) {
        SCOPED_TRACE(body.toStdString());
        log.clear();
        server.respond(200, body);
        expectFailure(runCheck(checker), rejected);
        EXPECT_EQ(log.texts(RureLogCategory::updates),
                  QStringList{QStringLiteral("Checking the official Rure update manifest.")});
    }
}

TEST_F(RureUpdateServiceTest, untrustedCertificateFailsWithTheClientsError) {
    server.respond(200, manifestJson(QStringLiteral("9.0"), 9));
    const Result<RureUpdateCheckResult> result = runCheck(serviceFor(server.baseUrl(), {}));
    ASSERT_FALSE(result.ok());
    EXPECT_EQ(result.error().domain, ErrorDomain::network);
    EXPECT_EQ(result.error().code, QNetworkReply::SslHandshakeFailedError);
    EXPECT_TRUE(server.requestLines().isEmpty());
}

TEST_F(RureUpdateServiceTest, refusedConnectionFailsWithTheClientsError) {
    QTcpServer closed;
    ASSERT_TRUE(closed.listen(QHostAddress::LocalHost, 0));
    QUrl base = server.baseUrl();
    base.setPort(closed.serverPort());
    closed.close();

    const Result<RureUpdateCheckResult> result =
        runCheck(serviceFor(base, {TestCertificates::shared().authority}));
    ASSERT_FALSE(result.ok());
    EXPECT_EQ(result.error().domain, ErrorDomain::network);
    EXPECT_EQ(result.error().code, QNetworkReply::ConnectionRefusedError);
}

TEST_F(RureUpdateServiceTest, invalidAddressFailsWithoutARequest) {
    for (const QUrl& base :
         {QUrl(QStringLiteral("https://[::1")), QUrl(QStringLiteral("https:/x"))}) {
        SCOPED_TRACE(base.toString().toStdString());
        log.clear();
        expectFailure(
            runCheck(serviceFor(base, {})),
            Error{ErrorDomain::other, 1, QString::fromUtf8("Rure’s update address is invalid.")});
        EXPECT_EQ(log.texts(RureLogCategory::updates),
                  QStringList{QStringLiteral("Checking the official Rure update manifest.")});
    }
    EXPECT_EQ(server.connectionCount(), 0);
}

TEST_F(RureUpdateServiceTest, silentServerFailsWithTheTimeOut) {
    const Error timedOut{ErrorDomain::network, QNetworkReply::TimeoutError,
                         QStringLiteral("The request timed out.")};
    server.setBehaviour(LocalHttpsServer::Behaviour::neverAnswer);
    expectFailure(runCheck(service(1s)), timedOut);
    EXPECT_EQ(server.requestLines(), QStringList{manifestRequestLine});
}

TEST_F(RureUpdateServiceTest, slowBodyFailsWhenTheWholeTransferPassesTheLimit) {
    // A byte every 200 ms keeps the connection active but would take minutes.
    server.setBehaviour(LocalHttpsServer::Behaviour::trickle);
    QByteArray padded = manifestJson(QStringLiteral("1.3"), 8);
    padded.append(1'000, ' ');
    server.respond(200, padded);
    expectFailure(runCheck(service(1s)), Error{ErrorDomain::network, QNetworkReply::TimeoutError,
                                               QStringLiteral("The request timed out.")});
}

TEST_F(RureUpdateServiceTest, cancelledCheckReportsNothingAndDropsTheConnection) {
    server.setBehaviour(LocalHttpsServer::Behaviour::neverAnswer);
    const RureUpdateService checker = service(1s);
    CompletionRecorder recorder;
    {
        RureUpdateCheck check = checker.check(recorder.completion());
        ASSERT_TRUE(waitUntil([&] { return server.requestLines().size() == 1; }));
        EXPECT_TRUE(check.isRunning());
        check.cancel();
        EXPECT_FALSE(check.isRunning());
    }
    EXPECT_TRUE(waitUntil([&] { return server.closedConnectionCount() == 1; }));

    // Destroying the handle is cancelling too, even before anything was sent.
    (void)checker.check(recorder.completion());

    // Past the time limit: a time-out would have been reported by now.
    keepRunningFor(1'500);
    EXPECT_EQ(recorder.calls(), 0);
}

TEST_F(RureUpdateServiceTest, checksInFlightTogetherDoNotInterfere) {
    server.respond(200, manifestJson(QStringLiteral("1.3"), 8));
    const RureUpdateService checker = service();
    CompletionRecorder first;
    CompletionRecorder second;
    RureUpdateCheck a = checker.check(first.completion());
    RureUpdateCheck b = checker.check(second.completion());
    ASSERT_TRUE(waitUntil([&] { return first.calls() == 1 && second.calls() == 1; }));
    ASSERT_TRUE(first.last()->ok());
    ASSERT_TRUE(second.last()->ok());
    EXPECT_EQ(first.last()->value(), second.last()->value());
    EXPECT_EQ(server.requestLines(), (QStringList{manifestRequestLine, manifestRequestLine}));
}

TEST_F(RureUpdateServiceTest, completionMayDropItsOwnHandle) {
    server.respond(200, QByteArray(70'000, 'x'));
    const RureUpdateService checker = service();
    auto check = std::make_unique<RureUpdateCheck>();
    int calls = 0;
    *check = checker.check([&](Result<RureUpdateCheckResult> result) {
        ++calls;
        EXPECT_FALSE(result.ok());
        check.reset();
    });
    ASSERT_TRUE(waitUntil([&] { return calls == 1; }));
    keepRunningFor(50);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(check, nullptr);
}

QByteArray locationHeader(const QByteArray& target) {
    return "Location: " + target;
}

// The manifest address redirects, through "/hop/1" ... "/hop/<redirects - 1>", to
// "/hop/<redirects>", which answers with `status` and `body`. Every redirect
// response has `redirectBody`.
void serveChainOfRedirects(LocalHttpsServer& server, int redirects, int status, QByteArray body,
                           const QByteArray& redirectBody = {}) {
    const auto hop = [](int number) { return "/hop/" + QByteArray::number(number); };
    server.respondTo("/rure/version.json", 302, redirectBody, {locationHeader(hop(1))});
    for (int number = 1; number < redirects; ++number) {
        server.respondTo(hop(number), 307, redirectBody, {locationHeader(hop(number + 1))});
    }
    server.respondTo(hop(redirects), status, std::move(body));
}

TEST_F(RureUpdateServiceTest, followsHttpsRedirectsForUpToFiveHops) {
    const RureUpdateService checker = service();
    const QByteArray absolute = server.baseUrl().toEncoded() + "/rure/current.json";
    server.respondTo("/rure/current.json", 200, manifestJson(QStringLiteral("1.3"), 8));
    const struct {
        int status;
        QByteArray location;
    } rows[] = {
        {301, "/rure/current.json"}, {302, absolute},
        {303, "current.json"},       {307, "./current.json"},
        {308, "/rure/current.json"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.status);
        const int requestsBefore = server.requestLines().size();
        server.respondTo("/rure/version.json", row.status, "Moved.",
                         {locationHeader(row.location)});

        const Result<RureUpdateCheckResult> result = runCheck(checker);

        ASSERT_TRUE(result.ok()) << result.error().description.toStdString();
        EXPECT_EQ(result.value().manifest().build, 8);
        EXPECT_EQ(server.requestLines().mid(requestsBefore),
                  (QStringList{manifestRequestLine, "GET /rure/current.json HTTP/1.1"}));
    }

    // The longest chain followed: five redirects, six requests.
    serveChainOfRedirects(server, 5, 200, manifestJson(QStringLiteral("1.3"), 9));
    const int requestsBefore = server.requestLines().size();
    const Result<RureUpdateCheckResult> result = runCheck(checker);
    ASSERT_TRUE(result.ok()) << result.error().description.toStdString();
    EXPECT_EQ(result.value().manifest().build, 9);
    EXPECT_EQ(server.requestLines().size() - requestsBefore, 6);
}

TEST_F(RureUpdateServiceTest, refusesRedirectsToPlainHttpAndEndlessRedirects) {
    const Error insecure{ErrorDomain::network, QNetworkReply::InsecureRedirectError,
                         QStringLiteral("The update server redirected to an address without "
                                        "HTTPS.")};
    const Error endless{ErrorDomain::network, QNetworkReply::TooManyRedirectsError,
                        QStringLiteral("The update server redirected too many times.")};
    const RureUpdateService checker = service();
    // A plain server that would take the redirected request.
    QTcpServer plain;
    ASSERT_TRUE(plain.listen(QHostAddress::LocalHost, 0));
    const QByteArray plainAddress =
        "http://127.0.0.1:" + QByteArray::number(plain.serverPort()) + "/rure/version.json";

    server.respondTo("/rure/version.json", 301, "", {locationHeader(plainAddress)});
    expectFailure(runCheck(checker), insecure);
    EXPECT_EQ(server.requestLines(), QStringList{manifestRequestLine});
    EXPECT_FALSE(plain.hasPendingConnections());

    // A redirect to itself, and a chain one hop longer than the limit.
    server.respondTo("/rure/version.json", 308, "", {locationHeader("/rure/version.json")});
    expectFailure(runCheck(checker), endless);
    EXPECT_EQ(server.requestLines().size(), 1 + 6);

    serveChainOfRedirects(server, 6, 200, manifestJson(QStringLiteral("1.3"), 9));
    expectFailure(runCheck(checker), endless);
    EXPECT_EQ(server.requestLines().size(), 1 + 6 + 6);
    EXPECT_FALSE(server.requestLines().contains("GET /hop/6 HTTP/1.1"));
}

TEST_F(RureUpdateServiceTest, bodyLimitCoversTheWholeChainOfRedirects) {
    const Error tooLong = toError(RureUpdateCheckError::responseTooLarge);
    const RureUpdateService checker = service();
    constexpr qsizetype redirectBody = 40'000;
    server.respondTo("/rure/version.json", 301, QByteArray(redirectBody, 'x'),
                     {locationHeader("/rure/current.json")});
    QByteArray manifest = manifestJson(QStringLiteral("1.3"), 8);
    manifest.append(65'536 - redirectBody - manifest.size(), ' ');

    server.respondTo("/rure/current.json", 200, manifest);
    const Result<RureUpdateCheckResult> exact = runCheck(checker);
    ASSERT_TRUE(exact.ok()) << exact.error().description.toStdString();
    EXPECT_EQ(exact.value().manifest().build, 8);

    manifest.append(' ');
    server.respondTo("/rure/current.json", 200, manifest);
    expectFailure(runCheck(checker), tooLong);
}

TEST_F(RureUpdateServiceTest, oneDeadlineCoversTheWholeChainOfRedirects) {
    // Each response takes 0.6 s to arrive (a byte every 200 ms): well within
    // the limit alone, well past it together.
    server.setBehaviour(LocalHttpsServer::Behaviour::trickle);
    serveChainOfRedirects(server, 4, 404, "abc", "abc");
    expectFailure(runCheck(service(1s)), Error{ErrorDomain::network, QNetworkReply::TimeoutError,
                                               QStringLiteral("The request timed out.")});
    EXPECT_FALSE(server.requestLines().contains("GET /hop/4 HTTP/1.1"));
}

TEST_F(RureUpdateServiceTest, deadlineIsAPreciseSingleShotTimerOfTheTimeLimit) {
    server.setBehaviour(LocalHttpsServer::Behaviour::neverAnswer);
    CompletionRecorder recorder;
    const QPointer<UpdateCheckTransfer> transfer =
        UpdateCheckTransfer::start({service().manifestUrl(),
                                    {TestCertificates::shared().authority},
                                    7s,
                                    [this] { return installed; }},
                                   recorder.completion());
    const auto* deadline =
        transfer->findChild<QTimer*>(QStringLiteral("deadline"), Qt::FindDirectChildrenOnly);
    ASSERT_NE(deadline, nullptr);
    // A coarse timer may fire 5 % early.
    EXPECT_EQ(deadline->timerType(), Qt::PreciseTimer);
    EXPECT_TRUE(deadline->isSingleShot());
    EXPECT_TRUE(deadline->isActive());
    EXPECT_EQ(deadline->intervalAsDuration(), 7s);
    transfer->cancel();
    EXPECT_EQ(transfer, nullptr);
    EXPECT_EQ(recorder.calls(), 0);
}

TEST(RureUpdateServiceAddress, isTheManifestPathOnTheMakersHost) {
    EXPECT_EQ(RureUpdateService().manifestUrl(),
              QUrl(QStringLiteral("https://didirezoror.com/rure/version.json")));
    EXPECT_EQ(RureUpdateService(QUrl(QStringLiteral("https://127.0.0.1:8443/x?y#z"))).manifestUrl(),
              QUrl(QStringLiteral("https://127.0.0.1:8443/rure/version.json")));
}

TEST(RureUpdateServiceAddress, otherServersMustUseHttpsUnlessOnTheLoopback) {
    const struct {
        const char* server;
        bool accepted;
    } rows[] = {
        {"https://didirezoror.com", true},
        {"https://updates.example.org:8443", true},
        {"HTTPS://127.0.0.1:9", true},
        {"http://127.0.0.1:8080", true},
        {"http://127.200.3.4", true},
        {"http://[::1]:8080", true},
        {"http://localhost:8080", true},
        {"http://LocalHost", true},
        {"http://didirezoror.com", false},
        {"http://192.168.1.10:8080", false},
        {"http://128.0.0.1", false},
        {"http://0.0.0.0", false},
        {"http://[::2]", false},
        {"http://localhost.example.org", false},
        {"http://127.0.0.1.example.org", false},
        {"ftp://127.0.0.1", false},
        {"file:///rure/version.json", false},
        {"https:///rure", false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.server);
        const QUrl server(QString::fromLatin1(row.server));
        EXPECT_EQ(RureUpdateAddress::isAcceptedServer(server), row.accepted);
        EXPECT_EQ(RureUpdateService(server).manifestUrl().isValid(), row.accepted);
    }
}

} // namespace
} // namespace rure::test
