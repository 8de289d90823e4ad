#include "updates/RureUpdateManifest.h"

#include <gtest/gtest.h>

#include <limits>
#include <vector>

namespace rure::test {
namespace {

TEST(RureUpdateManifestDecode, readsTheThreeKeysAndIgnoresOthers) {
    struct Row {
        QByteArray json;
        RureUpdateManifest manifest;
    };
    const QString page = QStringLiteral("https://didirezoror.com/rure");
    const std::vector<Row> rows = {
        {R"({"version":"1.2.3","build":7,"downloadPage":"https://didirezoror.com/rure"})",
         {QStringLiteral("1.2.3"), 7, page}},
        {R"( {"downloadPage":"https://didirezoror.com/rure", "notes":"Faster.", "size":12,
              "build":7, "version":"1.2.3", "nested":{"a":[1,2]}} )",
         {QStringLiteral("1.2.3"), 7, page}},
        // Values are taken as they are; the acceptance rules judge them later.
        {R"({"version":"banana","build":-3,"downloadPage":"HTTP://Example.com/x"})",
         {QStringLiteral("banana"), -3, QStringLiteral("HTTP://Example.com/x")}},
        {R"({"version":"1.0","build":9223372036854775807,"downloadPage":"https://didirezoror.com/rure"})",
         {QStringLiteral("1.0"), std::numeric_limits<qint64>::max(), page}},
        {R"({"version":"1.0","build":-9223372036854775808,"downloadPage":"https://didirezoror.com/rure"})",
         {QStringLiteral("1.0"), std::numeric_limits<qint64>::min(), page}},
        // A number with an exact integer value is an integer.
        {R"({"version":"1.0","build":7.0,"downloadPage":"https://didirezoror.com/rure"})",
         {QStringLiteral("1.0"), 7, page}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.json.toStdString());
        const Result<RureUpdateManifest> decoded = RureUpdateManifest::decode(row.json);
        ASSERT_TRUE(decoded.ok()) << decoded.error().description.toStdString();
        EXPECT_EQ(decoded.value(), row.manifest);
    }
}

TEST(RureUpdateManifestDecode, failsWithTheReadersErrorOnAnyFault) {
    struct Row {
        QByteArray json;
        QString mentions; // a word the description must contain
    };
    const std::vector<Row> rows = {
        {"", QStringLiteral("not valid JSON")},
        {"{", QStringLiteral("not valid JSON")},
        {R"({"version":"1.2","build":7,"downloadPage":"https://didirezoror.com/rure"} x)",
         QStringLiteral("not valid JSON")},
        {R"([{"version":"1.2","build":7,"downloadPage":"https://didirezoror.com/rure"}])",
         QStringLiteral("not a JSON object")},
        {R"({"build":7,"downloadPage":"https://didirezoror.com/rure"})",
         QStringLiteral("\"version\"")},
        {R"({"version":"1.2","downloadPage":"https://didirezoror.com/rure"})",
         QStringLiteral("\"build\"")},
        {R"({"version":"1.2","build":7})", QStringLiteral("\"downloadPage\"")},
        {R"({"version":1.2,"build":7,"downloadPage":"https://didirezoror.com/rure"})",
         QStringLiteral("\"version\"")},
        {R"({"version":null,"build":7,"downloadPage":"https://didirezoror.com/rure"})",
         QStringLiteral("\"version\"")},
        {R"({"version":"1.2","build":"7","downloadPage":"https://didirezoror.com/rure"})",
         QStringLiteral("\"build\"")},
        {R"({"version":"1.2","build":7.5,"downloadPage":"https://didirezoror.com/rure"})",
         QStringLiteral("\"build\"")},
        {R"({"version":"1.2","build":9223372036854775808,"downloadPage":"https://didirezoror.com/rure"})",
         QStringLiteral("\"build\"")},
        {R"({"version":"1.2","build":null,"downloadPage":"https://didirezoror.com/rure"})",
         QStringLiteral("\"build\"")},
        {R"({"version":"1.2","build":true,"downloadPage":"https://didirezoror.com/rure"})",
         QStringLiteral("\"build\"")},
        {R"({"version":"1.2","build":7,"downloadPage":42})", QStringLiteral("\"downloadPage\"")},
        {R"({"version":"1.2","build":7,"downloadPage":""})", QStringLiteral("\"downloadPage\"")},
        {R"({"version":"1.2","build":7,"downloadPage":"https://[didirezoror.com/rure"})",
         QStringLiteral("\"downloadPage\"")},
        {R"({"version":"1.2","build":7,"downloadPage":"https://didirezoror.com/a b"})",
         QStringLiteral("\"downloadPage\"")},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.json.toStdString());
        const Result<RureUpdateManifest> decoded = RureUpdateManifest::decode(row.json);
        ASSERT_FALSE(decoded.ok());
        EXPECT_EQ(decoded.error().domain, ErrorDomain::json);
        EXPECT_TRUE(decoded.error().description.contains(row.mentions))
            << decoded.error().description.toStdString();
    }
}

TEST(RureUpdateManifest, encodesToTheFormItDecodesFrom) {
    const std::vector<RureUpdateManifest> manifests = {
        {QStringLiteral("1.2.3"), 7, QStringLiteral("https://didirezoror.com/rure")},
        {QString::fromUtf8("١.٢\n"), std::numeric_limits<qint64>::min(),
         QStringLiteral("https://someone@didirezoror.com:8443/rure/?a=b%20c#d")},
        {QStringLiteral("9.9"), std::numeric_limits<qint64>::max(), QStringLiteral("HTTPS://X/")},
    };
    for (const RureUpdateManifest& manifest : manifests) {
        SCOPED_TRACE(manifest.encode().toStdString());
        const Result<RureUpdateManifest> decoded = RureUpdateManifest::decode(manifest.encode());
        ASSERT_TRUE(decoded.ok()) << decoded.error().description.toStdString();
        EXPECT_EQ(decoded.value(), manifest);
    }
}

TEST(RureUpdateManifest, equalWhenEveryFieldIs) {
    const RureUpdateManifest base{QStringLiteral("1.2"), 3,
                                  QStringLiteral("https://didirezoror.com/rure")};
    RureUpdateManifest other = base;
    EXPECT_EQ(base, other);
    other.version = QStringLiteral("1.2.0");
    EXPECT_NE(base, other);
    other = base;
    other.build = 4;
    EXPECT_NE(base, other);
    other = base;
    other.downloadPage = QStringLiteral("https://didirezoror.com/rure/");
    EXPECT_NE(base, other);
}

} // namespace
} // namespace rure::test
