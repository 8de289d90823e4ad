#include "ConfigTestSupport.h"
#include "config/CameraConfiguration.h"

#include <gtest/gtest.h>

namespace rure {
namespace {

QByteArray encodedList(const QList<Camera>& cameras) {
    const Result<QByteArray> result = encodeCameraList(cameras);
    EXPECT_TRUE(result.ok()) << (result.ok() ? "" : result.error().description.toStdString());
    return result.ok() ? result.value() : QByteArray();
}

TEST(ConfigCameraListWriting, WritesTheDocumentLayoutByteForByte) {
    const QByteArray expected = "{\n"
                                "  \"cameras\" : [\n"
                                "    {\n"
                                "      \"name\" : \"New Camera\",\n"
                                "      \"url\" : \"rtsp://\"\n"
                                "    }\n"
                                "  ]\n"
                                "}";
    const QList<Camera> cameras{Camera{"New Camera", "rtsp://"}};
    EXPECT_EQ(encodedList(cameras), expected);
    EXPECT_EQ(encodedList(cameras), encodedList(cameras));

    EXPECT_EQ(encodedList({}), QByteArray("{\n  \"cameras\" : []\n}"));
    EXPECT_EQ(encodedList({Camera{"A", "rtsp://a"}, Camera{"B", "rtsp://b"}}),
              QByteArray("{\n  \"cameras\" : [\n"
                         "    {\n      \"name\" : \"A\",\n      \"url\" : \"rtsp://a\"\n    },\n"
                         "    {\n      \"name\" : \"B\",\n      \"url\" : \"rtsp://b\"\n    }\n"
                         "  ]\n}"));
    // A small stream is one more member, where there is one.
    EXPECT_EQ(
        encodedList({Camera{"A", "rtsp://a", "rtsp://a/sub"}}),
        QByteArray("{\n  \"cameras\" : [\n"
                   "    {\n      \"name\" : \"A\",\n      \"subStreamUrl\" : \"rtsp://a/sub\",\n"
                   "      \"url\" : \"rtsp://a\"\n    }\n"
                   "  ]\n}"));
}

TEST(ConfigCameraListWriting, WriteReadWriteKeepsBytesAndValuesExactly) {
    const struct {
        const char* label;
        QList<Camera> cameras;
    } cases[] = {
        {"empty list", {}},
        {"samples", test::sampleCameras()},
        {"order and duplicates kept",
         {Camera{"Z", "rtsp://z"}, Camera{"A", "rtsp://a"}, Camera{"Z", "rtsp://z"}}},
        {"non-ASCII",
         {Camera{QStringLiteral("Café Ø 東京"), QStringLiteral("rtsp://例え.jp/ストリーム")}}},
        {"decomposed text stays decomposed", {Camera{QStringLiteral("Cafe\u0301"), "rtsp://x"}}},
        {"quotes and backslashes",
         {Camera{R"(The "Back" Door \ Yard)", R"(rtsp://host/path\with"quote)"}}},
        {"slashes in urls", {Camera{"Path", "rtsp://user:pw@host:8554/a/b/c?x=1&y=/2"}}},
        {"leading and trailing spaces", {Camera{"  padded  ", " rtsp://host/ "}}},
        {"non-rtsp addresses",
         {Camera{"Web", "https://cam.example/video.mjpg"}, Camera{"File", "file:///tmp/x.mp4"},
          Camera{"Nonsense", "not an address at all"}}},
        {"empty values", {Camera{"", ""}}},
        {"small streams",
         {Camera{"Both", "rtsp://x/main", "rtsp://x/sub"}, Camera{"One", "rtsp://y"}}},
        {"control characters", {Camera{"tab\there", "line\nbreak\r\u0001"}}},
        {"astral characters", {Camera{QStringLiteral("Camera \U0001F4F7"), "rtsp://x"}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        const QByteArray first = encodedList(c.cameras);
        const Result<QList<Camera>> decoded = decodeCameraList(first);
        ASSERT_TRUE(decoded.ok()) << decoded.error().description.toStdString();
        ASSERT_EQ(decoded.value().size(), c.cameras.size());
        for (qsizetype i = 0; i < c.cameras.size(); ++i) {
            // QString equality, stricter than Camera equality: not even the
            // normalisation form may change on the way through the file.
            EXPECT_EQ(decoded.value().at(i).name, c.cameras.at(i).name);
            EXPECT_EQ(decoded.value().at(i).url, c.cameras.at(i).url);
        }
        EXPECT_EQ(encodedList(decoded.value()), first);
    }
}

TEST(ConfigCameraListWriting, WritesSlashesAndNonAsciiUnescaped) {
    const QByteArray bytes = encodedList(
        {Camera{QStringLiteral("Café Ø 東京"), "rtsp://host/a/b"}, Camera{"plain", "rtsp://c/d"}});
    EXPECT_TRUE(bytes.contains(QStringLiteral("\"Café Ø 東京\"").toUtf8()));
    EXPECT_TRUE(bytes.contains("\"rtsp://host/a/b\""));
    EXPECT_FALSE(bytes.contains("\\/"));
    EXPECT_FALSE(bytes.contains("\\u"));
    EXPECT_FALSE(bytes.endsWith('\n'));
}

} // namespace
} // namespace rure
