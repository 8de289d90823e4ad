// The engine plays RTSP and nothing else: loadFile refuses other addresses,
// and the engine's options hold when one is loaded past it.
#include "EngineTestSupport.h"
#include "support/TestCamera.h"

#include "engine/MPVEngine.h"

#include <QFile>
#include <QTcpServer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace rure::test {
namespace {

// Whether a load brings pictures; false when it ends in an error (or not in time).
bool loadPlays(mpv_handle* handle) {
    for (int wait = 0; wait < 200; ++wait) {
        const mpv_event* event = mpv_wait_event(handle, 0.1);
        if (event->event_id == MPV_EVENT_PLAYBACK_RESTART) {
            return true;
        }
        if (event->event_id == MPV_EVENT_END_FILE &&
            static_cast<const mpv_event_end_file*>(event->data)->reason ==
                MPV_END_FILE_REASON_ERROR) {
            return false;
        }
    }
    return false;
}

TEST(MPVAddresses, TheEnginePlaysRtspAndNothingElse) {
    TestCamera camera;
    ASSERT_TRUE(camera.start());
    QTemporaryDir directory;
    const QString picture = directory.filePath(QStringLiteral("picture.ppm"));
    QFile file(picture);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray("P6\n2 2\n255\n") + QByteArray(12, '\x7f'));
    file.close();
    QTcpServer web;
    ASSERT_TRUE(web.listen(QHostAddress::LocalHost));

    const struct {
        QString address;
        bool plays;
    } cases[] = {
        {camera.url(), true},
        {QStringLiteral("av://lavfi:testsrc"), false},
        {QStringLiteral("file://") + picture, false},
        {picture, false},
        {QStringLiteral("edl://") + picture, false},
        {QStringLiteral("http://127.0.0.1:%1/picture.ppm").arg(web.serverPort()), false},
        {QStringLiteral("rtsp:///camera"), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.address.toStdString());
        // As the viewer loads a camera.
        MPVEngine engine(makeHeadlessEngine(MPVEngineFactory::options));
        const int status = engine.loadFile(c.address);
        EXPECT_EQ(status >= 0, c.plays) << status;
        EXPECT_EQ(status >= 0 && loadPlays(engine.handle()), c.plays);
        // Past loadFile, straight to the engine with its options.
        MPVHandle bare = makeHeadlessEngine(MPVEngineFactory::options);
        const QByteArray address = c.address.toUtf8();
        const char* load[] = {"loadfile", address.constData(), nullptr};
        ASSERT_GE(mpv_command(bare.get(), load), 0);
        EXPECT_EQ(loadPlays(bare.get()), c.plays);
    }
    EXPECT_FALSE(web.waitForNewConnection(0)) << "the web address was asked for";
}

} // namespace
} // namespace rure::test
