// The login Rure sends: a WS-Security UsernameToken whose password is only a
// digest, dated by the device's clock.
#include "discovery/SafeXmlReader.h"
#include "discovery/UsernameToken.h"

#include <gtest/gtest.h>

namespace rure::test {
namespace {

const QString security = QStringLiteral(
    "http://docs.oasis-open.org/wss/2004/01/oasis-200401-wss-wssecurity-secext-1.0.xsd");
const QString utility = QStringLiteral(
    "http://docs.oasis-open.org/wss/2004/01/oasis-200401-wss-wssecurity-utility-1.0.xsd");

QByteArray countingNonce() {
    QByteArray nonce;
    for (char i = 0; i < 16; ++i) {
        nonce.append(i);
    }
    return nonce;
}

TEST(UsernameTokenTest, TheDigestIsBase64OfSha1OfNonceCreatedAndPassword) {
    // Worked out independently of this code (Python's hashlib).
    EXPECT_EQ(passwordDigest(countingNonce(), QStringLiteral("2024-03-01T12:00:00Z"),
                             QStringLiteral("p@ss:w/rd")),
              "mLg+CY69ZX7W5Xn3azpW8c4ym64=");
    EXPECT_EQ(usernameTokenTime(
                  QDateTime(QDate(2024, 3, 1), QTime(13, 0, 0, 750), Qt::OffsetFromUTC, 3600)),
              "2024-03-01T12:00:00Z");
}

TEST(UsernameTokenTest, TheHeaderCarriesTheDigestAndNeverThePassword) {
    const QString password = QStringLiteral("p@ss:w/rd");
    const QString header = usernameTokenHeader(QStringLiteral("ad<min>"), password, countingNonce(),
                                               QDateTime(QDate(2024, 3, 1), QTime(12, 0), Qt::UTC));
    EXPECT_FALSE(header.contains(password));
    // Read inside an envelope that binds the prefix of mustUnderstand.
    const Result<XmlElement> read = readXmlDocument(
        QStringLiteral(
            "<s:Header xmlns:s=\"http://www.w3.org/2003/05/soap-envelope\">%1</s:Header>")
            .arg(header)
            .toUtf8());
    ASSERT_TRUE(read.ok()) << read.error().description.toStdString();
    const XmlElement* token = read.value().descendant(
        security, {QStringLiteral("Security"), QStringLiteral("UsernameToken")});
    ASSERT_NE(token, nullptr);
    EXPECT_EQ(token->childText(security, QStringLiteral("Username")), "ad<min>");
    const XmlElement* digest = token->child(security, QStringLiteral("Password"));
    ASSERT_NE(digest, nullptr);
    EXPECT_EQ(digest->text, "mLg+CY69ZX7W5Xn3azpW8c4ym64=");
    EXPECT_TRUE(digest->attribute(QStringLiteral("Type"))
                    .value_or(QString())
                    .endsWith(QStringLiteral("#PasswordDigest")));
    EXPECT_EQ(token->childText(security, QStringLiteral("Nonce")), "AAECAwQFBgcICQoLDA0ODw==");
    EXPECT_EQ(token->childText(utility, QStringLiteral("Created")), "2024-03-01T12:00:00Z");
}

} // namespace
} // namespace rure::test
