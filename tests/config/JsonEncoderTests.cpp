#include "config/JsonEncoder.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <limits>

namespace rure {
namespace {

struct LayoutCase {
    const char* label;
    QJsonValue value;
    QByteArray expected;
};

QByteArray encoded(const QJsonValue& value) {
    const Result<QByteArray> result = JsonEncoder::prettyPrinted().encode(value);
    EXPECT_TRUE(result.ok()) << (result.ok() ? "" : result.error().description.toStdString());
    return result.ok() ? result.value() : QByteArray();
}

TEST(ConfigJsonEncoder, WritesTheFixedLayout) {
    const LayoutCase cases[] = {
        {"empty object", QJsonObject(), "{}"},
        {"empty array", QJsonArray(), "[]"},
        {"null", QJsonValue(QJsonValue::Null), "null"},
        {"true", true, "true"},
        {"false", false, "false"},
        {"zero", 0, "0"},
        {"negative integer", -42, "-42"},
        {"fraction", 1.5, "1.5"},
        {"shortest round-trip fraction", 0.1, "0.1"},
        {"integer beyond double precision", QJsonValue(qint64(9007199254740993)),
         "9007199254740993"},
        {"plain text", QStringLiteral("plain"), "\"plain\""},
        {"members sorted, one per line", QJsonObject{{"url", 1}, {"name", 2}, {"B", 3}, {"a", 4}},
         "{\n  \"B\" : 3,\n  \"a\" : 4,\n  \"name\" : 2,\n  \"url\" : 1\n}"},
        {"array elements one per line", QJsonArray{1, "two", QJsonValue::Null},
         "[\n  1,\n  \"two\",\n  null\n]"},
        {"nested empty containers", QJsonObject{{"b", QJsonObject()}, {"a", QJsonArray()}},
         "{\n  \"a\" : [],\n  \"b\" : {}\n}"},
        {"two levels of indentation", QJsonArray{QJsonArray{QJsonObject{{"k", false}}}},
         "[\n  [\n    {\n      \"k\" : false\n    }\n  ]\n]"},
        {"non-ASCII member names sort after ASCII",
         QJsonObject{{QStringLiteral("\u00e9"), 1}, {"z", 2}},
         "{\n  \"z\" : 2,\n  \"\xc3\xa9\" : 1\n}"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_EQ(encoded(c.value), c.expected);
    }
}

TEST(ConfigJsonEncoder, EscapesOnlyQuotesBackslashesAndControlCharacters) {
    const struct {
        const char* label;
        QString text;
        QByteArray expected;
    } cases[] = {
        {"quote and backslash", QStringLiteral("say \"hi\" \\ bye"), R"("say \"hi\" \\ bye")"},
        {"slashes stay", QStringLiteral("rtsp://host/a/b"), R"("rtsp://host/a/b")"},
        {"short escapes", QStringLiteral("\b\f\n\r\t"), R"("\b\f\n\r\t")"},
        {"other control characters", QString(QChar(0x01)) + QChar(0x1f) + QChar(0x00),
         R"("\u0001\u001f\u0000")"},
        {"delete is not a control escape", QString(QChar(0x7f)), "\"\x7f\""},
        {"non-ASCII as raw UTF-8", QStringLiteral("Caf\u00e9 \u00d8 \u6771\u4eac"),
         "\"Caf\xc3\xa9 \xc3\x98 \xe6\x9d\xb1\xe4\xba\xac\""},
        {"astral plane as raw UTF-8", QStringLiteral("\U0001F4F7"), "\"\xf0\x9f\x93\xb7\""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        const QByteArray bytes = encoded(c.text);
        EXPECT_EQ(bytes, c.expected);
        EXPECT_EQ(QJsonDocument::fromJson("[" + bytes + "]").array().at(0).toString(), c.text);
    }
}

TEST(ConfigJsonEncoder, OutputReadsBackAsTheSameValue) {
    const QJsonObject value{
        {"manifest", QJsonObject{{"version", "1.2.3"},
                                 {"sizes", QJsonArray{0, -1, 2.25, 1e300, QJsonValue::Null}},
                                 {"flags", QJsonArray{true, false}},
                                 {"notes", QStringLiteral("line 1\nline 2\t\"quoted\" \u00e9/")}}},
        {"cameras", QJsonArray()},
        {"", QJsonObject()},
    };
    const QByteArray bytes = encoded(value);
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    ASSERT_EQ(error.error, QJsonParseError::NoError) << error.errorString().toStdString();
    EXPECT_EQ(document.object(), value);
    EXPECT_FALSE(bytes.endsWith('\n'));
    EXPECT_EQ(encoded(value), bytes);
}

TEST(ConfigJsonEncoder, RefusesValuesJsonCannotHold) {
    const struct {
        const char* label;
        QJsonValue value;
    } cases[] = {
        {"undefined", QJsonValue(QJsonValue::Undefined)},
        {"NaN", std::numeric_limits<double>::quiet_NaN()},
        {"infinity", QJsonArray{std::numeric_limits<double>::infinity()}},
        {"unpaired high surrogate", QJsonObject{{"name", QString(QChar(0xd83d))}}},
        {"unpaired low surrogate in a member name", QJsonObject{{QString(QChar(0xdc00)) + "x", 1}}},
        {"surrogates in the wrong order", QString(QChar(0xdcf7)) + QChar(0xd83d)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        const Result<QByteArray> result = JsonEncoder::prettyPrinted().encode(c.value);
        ASSERT_FALSE(result.ok());
        EXPECT_EQ(result.error().domain, ErrorDomain::json);
        EXPECT_FALSE(result.error().description.isEmpty());
    }
}

} // namespace
} // namespace rure
