// Replies from the network read as XML: nothing a hostile device sends may
// expand, nest or grow without bound, and every malformed document is an
// error rather than a partial tree.
#include "discovery/DiscoveryError.h"
#include "discovery/SafeXmlReader.h"

#include <gtest/gtest.h>

namespace rure::test {
namespace {

bool isMalformed(const Result<XmlElement>& read) {
    return !read.ok() && discoveryErrorOf(read.error()) == DiscoveryError::malformedReply;
}

TEST(SafeXmlReaderTest, RefusesWhatCouldExpandOrIsNotWellFormed) {
    const QByteArray billionLaughs =
        "<?xml version=\"1.0\"?><!DOCTYPE lolz [<!ENTITY lol \"lol\">"
        "<!ENTITY lol2 \"&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;\">"
        "<!ENTITY lol3 \"&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;\">]>"
        "<lolz>&lol3;</lolz>";
    const QByteArray externalEntity =
        "<?xml version=\"1.0\"?><!DOCTYPE r [<!ENTITY x SYSTEM \"file:///etc/passwd\">]><r>&x;</r>";
    const QByteArray lowerCaseDoctype = "<!doctype r><r/>";
    const QByteArray undeclaredEntity = "<r>&secret;</r>";
    const QByteArray truncated = "<s:Envelope xmlns:s=\"urn:x\"><s:Body><a>text";
    const QByteArray unmatched = "<a><b></a></b>";
    const QByteArray twoRoots = "<a/><b/>";
    const QByteArray empty = "";
    const QByteArray notUtf8 = "<a>\xff\xfe\x80</a>";
    const QByteArray utf16 = QByteArray("<\0a\0/\0>\0", 8);
    QByteArray deep;
    for (int i = 0; i < 200; ++i) {
        deep += "<a>";
    }
    QByteArray wide = "<r>";
    for (int i = 0; i < 30000; ++i) {
        wide += "<a/>";
    }
    wide += "</r>";
    const QByteArray undeclaredPrefix = "<x:a/>";

    const std::pair<const char*, QByteArray> cases[] = {
        {"billion laughs", billionLaughs},
        {"external entity", externalEntity},
        {"lower-case doctype", lowerCaseDoctype},
        {"undeclared entity", undeclaredEntity},
        {"truncated", truncated},
        {"unmatched tags", unmatched},
        {"two roots", twoRoots},
        {"empty", empty},
        {"not UTF-8", notUtf8},
        {"UTF-16", utf16},
        {"200 levels deep", deep + "</a>"},
        {"30000 elements", wide},
        {"undeclared prefix", undeclaredPrefix},
    };
    for (const auto& [what, bytes] : cases) {
        const Result<XmlElement> read = readXmlDocument(bytes);
        EXPECT_TRUE(isMalformed(read)) << what;
        if (!read.ok()) {
            EXPECT_TRUE(read.error().description.startsWith(
                QStringLiteral("The camera sent a reply that is not a valid ONVIF answer.")))
                << what << ": " << read.error().description.toStdString();
        }
    }
}

TEST(SafeXmlReaderTest, ReadsNamesByNamespaceWhateverThePrefix) {
    const QByteArray document =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?><!-- a comment --><?pi data?>"
        "<q1:Envelope xmlns:q1=\"urn:one\" xmlns=\"urn:default\" attr=\"1\">"
        "<Body><q2:Item xmlns:q2=\"urn:two\" q2:kind=\"x\">caf\xc3\xa9 &amp; &#x263A;</q2:Item>"
        "</Body></q1:Envelope>";
    const Result<XmlElement> read = readXmlDocument(document);
    ASSERT_TRUE(read.ok()) << read.error().description.toStdString();
    const XmlElement& root = read.value();
    EXPECT_TRUE(root.is(QStringLiteral("urn:one"), QStringLiteral("Envelope")));
    EXPECT_EQ(root.attribute(QStringLiteral("attr")).value_or(QString()), "1");
    const XmlElement* body = root.child(QStringLiteral("urn:default"), QStringLiteral("Body"));
    ASSERT_NE(body, nullptr);
    const XmlElement* item = body->child(QStringLiteral("urn:two"), QStringLiteral("Item"));
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->text, QString::fromUtf8("caf\xc3\xa9 & \xe2\x98\xba"));
    EXPECT_EQ(
        item->attribute(QStringLiteral("kind"), QStringLiteral("urn:two")).value_or(QString()),
        "x");
    EXPECT_EQ(body->child(QStringLiteral("urn:one"), QStringLiteral("Item")), nullptr)
        << "a name in another namespace is another name";
}

TEST(SafeXmlReaderTest, ResolvesQualifiedNamesInTextWithTheInnermostDeclaration) {
    const Result<XmlElement> read =
        readXmlDocument("<a xmlns:p=\"urn:outer\"><b xmlns:p=\"urn:inner\"><c>p:Name</c></b></a>");
    ASSERT_TRUE(read.ok());
    const XmlElement& a = read.value();
    const XmlElement& b = a.children.at(0);
    const XmlElement& c = b.children.at(0);
    const std::optional<XmlQualifiedName> inner = resolveQName(c.text, {&a, &b, &c});
    ASSERT_TRUE(inner.has_value());
    EXPECT_EQ(inner->namespaceUri, "urn:inner");
    EXPECT_EQ(inner->name, "Name");
    EXPECT_EQ(resolveQName(QStringLiteral("p:Name"), {&a})->namespaceUri, "urn:outer");
    EXPECT_FALSE(resolveQName(QStringLiteral("q:Name"), {&a, &b, &c}).has_value());
    EXPECT_FALSE(resolveQName(QStringLiteral(":Name"), {&a}).has_value());
    EXPECT_FALSE(resolveQName(QStringLiteral("p:"), {&a}).has_value());
}

} // namespace
} // namespace rure::test
