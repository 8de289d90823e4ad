#include "ConfigTestSupport.h"
#include "config/CameraConfiguration.h"

#include <gtest/gtest.h>

#include <random>

namespace rure {
namespace {

const QByteArray soundDocument = R"({"cameras":[
    {"name":"Lobby","url":"rtsp://192.0.2.1/a"},
    {"name":"Yard","url":"rtsp://192.0.2.2/b"}]})";

QList<Camera> soundDocumentCameras() {
    return {Camera{"Lobby", "rtsp://192.0.2.1/a"}, Camera{"Yard", "rtsp://192.0.2.2/b"}};
}

TEST(ConfigCameraListReading, AcceptsTheDocumentAndIgnoresUnknownMembers) {
    const struct {
        const char* label;
        QByteArray bytes;
        QList<Camera> expected;
    } cases[] = {
        {"plain", soundDocument, soundDocumentCameras()},
        {"extra members everywhere",
         R"({"version":3,"cameras":[
            {"name":"Lobby","url":"rtsp://192.0.2.1/a","enabled":false,"extra":{"x":[1]}},
            {"id":7,"url":"rtsp://192.0.2.2/b","name":"Yard"}],
            "other":null,"more":["cameras"]})",
         soundDocumentCameras()},
        {"empty array", R"({"cameras":[]})", {}},
        {"values taken exactly",
         R"({"cameras":[{"name":"  spaced  ","url":""},{"name":"","url":"not a url"}]})",
         {Camera{"  spaced  ", ""}, Camera{"", "not a url"}}},
        {"escapes decoded",
         R"({"cameras":[{"name":"A\u00e9\"\\\/\n","url":"rtsp:\/\/h\/p"}]})",
         {Camera{QStringLiteral("A\u00e9\"\\/\n"), "rtsp://h/p"}}},
        {"surrounding whitespace, raw UTF-8 name",
         "\n\t {\"cameras\":[{\"name\":\"\xe6\x9d\xb1\xe4\xba\xac\",\"url\":\"u\"}]}  \n",
         {Camera{QStringLiteral("\u6771\u4eac"), "u"}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        const Result<QList<Camera>> result = decodeCameraList(c.bytes);
        ASSERT_TRUE(result.ok()) << result.error().description.toStdString();
        EXPECT_EQ(result.value(), c.expected);
        for (qsizetype i = 0; i < c.expected.size(); ++i) {
            EXPECT_EQ(result.value().at(i).name, c.expected.at(i).name);
            EXPECT_EQ(result.value().at(i).url, c.expected.at(i).url);
        }
    }
}

TEST(ConfigCameraListReading, RejectsAnyDocumentOfTheWrongShape) {
    const struct {
        const char* label;
        QByteArray bytes;
        QString description;
    } cases[] = {
        {"second camera lacks url",
         R"({"cameras":[{"name":"Lobby","url":"rtsp://192.0.2.1/a"},{"name":"Yard"}]})",
         R"(Camera 2 has no "url" text.)"},
        {"name is a number", R"({"cameras":[{"name":42,"url":"rtsp://192.0.2.1/a"}]})",
         R"(Camera 1 has no "name" text.)"},
        {"name is null", R"({"cameras":[{"name":null,"url":"rtsp://192.0.2.1/a"}]})",
         R"(Camera 1 has no "name" text.)"},
        {"name is a bool", R"({"cameras":[{"name":true,"url":"rtsp://192.0.2.1/a"}]})",
         R"(Camera 1 has no "name" text.)"},
        {"name is an object",
         R"({"cameras":[{"name":{"first":"Lobby"},"url":"rtsp://192.0.2.1/a"}]})",
         R"(Camera 1 has no "name" text.)"},
        {"name is an array", R"({"cameras":[{"name":["Lobby"],"url":"rtsp://192.0.2.1/a"}]})",
         R"(Camera 1 has no "name" text.)"},
        {"name missing", R"({"cameras":[{"url":"rtsp://192.0.2.1/a"}]})",
         R"(Camera 1 has no "name" text.)"},
        {"url is a number", R"({"cameras":[{"name":"Lobby","url":554}]})",
         R"(Camera 1 has no "url" text.)"},
        {"small stream is a number",
         R"({"cameras":[{"name":"Lobby","url":"rtsp://a","subStreamUrl":2}]})",
         R"(Camera 1 has a "subStreamUrl" that is not text.)"},
        {"url is null", R"({"cameras":[{"name":"Lobby","url":null}]})",
         R"(Camera 1 has no "url" text.)"},
        {"third camera is text",
         R"({"cameras":[{"name":"A","url":"a"},{"name":"B","url":"b"},"Lobby"]})",
         R"(Camera 3 is not a JSON object.)"},
        {"camera is null", R"({"cameras":[null]})", R"(Camera 1 is not a JSON object.)"},
        {"top-level array", R"([{"name":"Lobby","url":"rtsp://192.0.2.1/a"}])",
         "The camera list is not a JSON object."},
        {"cameras is an object", R"({"cameras":{"name":"Lobby","url":"rtsp://192.0.2.1/a"}})",
         R"(The camera list has no "cameras" array.)"},
        {"cameras is text", R"({"cameras":"Lobby"})", R"(The camera list has no "cameras" array.)"},
        {"cameras is null", R"({"cameras":null})", R"(The camera list has no "cameras" array.)"},
        {"cameras missing", R"({"camera":[]})", R"(The camera list has no "cameras" array.)"},
        {"member names are case-sensitive", R"({"Cameras":[]})",
         R"(The camera list has no "cameras" array.)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        const Result<QList<Camera>> result = decodeCameraList(c.bytes);
        ASSERT_FALSE(result.ok());
        EXPECT_EQ(result.error().domain, ErrorDomain::json);
        EXPECT_EQ(result.error().description, c.description);
    }
}

TEST(ConfigCameraListReading, RejectsWhatIsNotJson) {
    const QByteArray truncated = soundDocument.left(soundDocument.size() / 2);
    const struct {
        const char* label;
        QByteArray bytes;
    } cases[] = {
        {"empty input", ""},
        {"only whitespace", " \n\t"},
        {"truncated", truncated},
        {"truncated by one byte", soundDocument.chopped(1)},
        {"trailing garbage", soundDocument + "x"},
        {"two documents", soundDocument + soundDocument},
        {"unquoted member names", "{cameras:[]}"},
        {"single quotes", "{'cameras':[]}"},
        {"trailing comma", R"({"cameras":[],})"},
        {"comment", "// cameras\n{\"cameras\":[]}"},
        {"invalid UTF-8 in a name", "{\"cameras\":[{\"name\":\"\xff\xfe\",\"url\":\"u\"}]}"},
        {"overlong UTF-8 encoding", "{\"cameras\":[{\"name\":\"\xc0\xaf\",\"url\":\"u\"}]}"},
        {"NUL byte", QByteArray("{\"cameras\"\0:[]}", 15)},
        {"binary", QByteArray::fromHex("89504e470d0a1a0a0000000d49484452")},
        {"bare text", "Lobby rtsp://192.0.2.1/a"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        const Result<QList<Camera>> result = decodeCameraList(c.bytes);
        ASSERT_FALSE(result.ok());
        EXPECT_EQ(result.error().domain, ErrorDomain::json);
        EXPECT_TRUE(result.error().description.startsWith("The camera list is not valid JSON: "))
            << result.error().description.toStdString();
        EXPECT_TRUE(result.error().description.contains(" at offset "));
    }
}

TEST(ConfigCameraListReading, EveryPrefixOfADocumentIsRejectedCleanly) {
    for (qsizetype length = 0; length < soundDocument.size(); ++length) {
        const QByteArray prefix = soundDocument.left(length);
        EXPECT_FALSE(decodeCameraList(prefix).ok()) << prefix.toStdString();
    }
}

TEST(ConfigCameraListReading, ErrorsNeverQuoteNamesOrAddresses) {
    const QByteArray documents[] = {
        R"({"cameras":[{"name":"Secret Vault","url":"rtsp://admin:pw@vault.example/"},
                       {"name":"Secret Vault 2"}]})",
        R"({"cameras":[{"url":"rtsp://admin:pw@vault.example/"}]})",
        R"({"cameras":[{"name":"Secret Vault","url":{"u":"rtsp://admin:pw@vault.example/"}}]})",
        R"({"cameras":[{"name":"Secret Vault","url":"rtsp://admin:pw@vault.example/")",
    };
    for (const QByteArray& bytes : documents) {
        const Result<QList<Camera>> result = decodeCameraList(bytes);
        ASSERT_FALSE(result.ok());
        EXPECT_FALSE(result.error().description.contains("Secret Vault"));
        EXPECT_FALSE(result.error().description.contains("vault.example"));
    }
}

TEST(ConfigCameraListReading, RandomBytesAreRejected) {
    std::mt19937 generator(20240611);
    std::uniform_int_distribution<int> byte(0, 255);
    for (int round = 0; round < 200; ++round) {
        QByteArray bytes(1 + round * 37, Qt::Uninitialized);
        for (char& b : bytes) {
            b = static_cast<char>(byte(generator));
        }
        EXPECT_FALSE(decodeCameraList(bytes).ok());
    }
}

} // namespace
} // namespace rure
