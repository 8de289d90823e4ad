// WS-Discovery: the probe Rure multicasts, and the matches it takes from the
// answers, however a device writes them.
#include "discovery/DiscoveryError.h"
#include "discovery/DiscoveryLimits.h"
#include "discovery/ProbeMatch.h"
#include "discovery/ProbeMessage.h"
#include "discovery/SafeXmlReader.h"

#include <gtest/gtest.h>

namespace rure::test {
namespace {

const QString probeId = QStringLiteral("urn:uuid:0d9d9bd4-54a6-4b39-a3e8-7a1ef6d7d3a7");

// A ProbeMatches with prefixes of its own; `matches` goes inside.
QByteArray answer(const QString& matches, const QString& relatesTo = probeId) {
    return QStringLiteral(
               "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
               "<SOAP-ENV:Envelope xmlns:SOAP-ENV=\"http://www.w3.org/2003/05/soap-envelope\" "
               "xmlns:wsadis=\"http://schemas.xmlsoap.org/ws/2004/08/addressing\" "
               "xmlns:d=\"http://schemas.xmlsoap.org/ws/2005/04/discovery\">"
               "<SOAP-ENV:Header><wsadis:RelatesTo>%1</wsadis:RelatesTo></SOAP-ENV:Header>"
               "<SOAP-ENV:Body><d:ProbeMatches>%2</d:ProbeMatches></SOAP-ENV:Body>"
               "</SOAP-ENV:Envelope>")
        .arg(relatesTo, matches)
        .toUtf8();
}

QString match(const QString& endpoint, const QString& addresses, const QString& scopes) {
    return QStringLiteral("<d:ProbeMatch><wsadis:EndpointReference><wsadis:Address>%1"
                          "</wsadis:Address></wsadis:EndpointReference>"
                          "<d:Types>dn:NetworkVideoTransmitter</d:Types>"
                          "<d:Scopes>%3</d:Scopes><d:XAddrs>%2</d:XAddrs>"
                          "<d:MetadataVersion>1</d:MetadataVersion></d:ProbeMatch>")
        .arg(endpoint, addresses, scopes);
}

TEST(ProbeMessageTest, AsksForVideoTransmittersUnderItsOwnMessageId) {
    const QString id = newMessageId();
    EXPECT_TRUE(id.startsWith(QStringLiteral("urn:uuid:")));
    EXPECT_NE(id, newMessageId());
    const Result<XmlElement> probe = readXmlDocument(probeMessage(id));
    ASSERT_TRUE(probe.ok());
    const QString soap = QStringLiteral("http://www.w3.org/2003/05/soap-envelope");
    const QString addressing = QStringLiteral("http://schemas.xmlsoap.org/ws/2004/08/addressing");
    const QString discovery = QStringLiteral("http://schemas.xmlsoap.org/ws/2005/04/discovery");
    const XmlElement* header = probe.value().child(soap, QStringLiteral("Header"));
    ASSERT_NE(header, nullptr);
    EXPECT_EQ(header->childText(addressing, QStringLiteral("MessageID")), id);
    EXPECT_EQ(header->childText(addressing, QStringLiteral("Action")), discovery + "/Probe");
    EXPECT_EQ(header->childText(addressing, QStringLiteral("To")),
              "urn:schemas-xmlsoap-org:ws:2005:04:discovery");
    const XmlElement* types = probe.value().descendant(soap, {QStringLiteral("Body")});
    ASSERT_NE(types, nullptr);
    types = types->child(discovery, QStringLiteral("Probe"));
    ASSERT_NE(types, nullptr);
    EXPECT_EQ(types->childText(discovery, QStringLiteral("Types")), "dn:NetworkVideoTransmitter");
}

TEST(ProbeMatchTest, ReadsEachDeviceWithItsNameModelAndHttpAddresses) {
    const QByteArray datagram = answer(
        match(QStringLiteral("urn:uuid:device-1"),
              QStringLiteral(
                  " https://10.0.0.5/onvif/device_service  http://10.0.0.5/onvif/device_service"
                  "\n http://[fe80::1%25eth0]:8080/onvif/device_service "),
              QStringLiteral("onvif://www.onvif.org/type/video_encoder "
                             "onvif://www.onvif.org/name/Front%20Door "
                             "onvif://www.onvif.org/hardware/RT-100%2FB")) +
        match(QStringLiteral("urn:uuid:device-2"), QStringLiteral("http://10.0.0.6/onvif"),
              QString()) +
        // Without an endpoint, or without an HTTP address: left out.
        match(QString(), QStringLiteral("http://10.0.0.7/onvif"), QString()) +
        match(QStringLiteral("urn:uuid:device-4"), QStringLiteral("ftp://10.0.0.8/ not-a-url"),
              QString()));
    const Result<QList<ProbeMatch>> read = parseProbeMatches(datagram, probeId);
    ASSERT_TRUE(read.ok()) << read.error().description.toStdString();
    ASSERT_EQ(read.value().size(), 2);
    const ProbeMatch& first = read.value().at(0);
    EXPECT_EQ(first.endpoint, "urn:uuid:device-1");
    EXPECT_EQ(first.name, "Front Door");
    EXPECT_EQ(first.hardware, "RT-100/B");
    ASSERT_EQ(first.serviceAddresses.size(), 2);
    EXPECT_EQ(first.serviceAddresses.at(0).toString(), "http://10.0.0.5/onvif/device_service");
    EXPECT_EQ(first.serviceAddresses.at(1).port(), 8080);
    const ProbeMatch& second = read.value().at(1);
    EXPECT_EQ(second.endpoint, "urn:uuid:device-2");
    EXPECT_EQ(second.name, "");
}

TEST(ProbeMatchTest, RefusesWhatDoesNotAnswerThisProbeOrPassesTheLimits) {
    const QString oneMatch =
        match(QStringLiteral("urn:uuid:d"), QStringLiteral("http://10.0.0.5/onvif"), QString());
    const QString hugeAddress = QStringLiteral("http://10.0.0.5/") +
                                QString(discovery::addressFieldLimit, QLatin1Char('a'));
    const QString hugeName =
        QStringLiteral("onvif://www.onvif.org/name/") + QString(1000, QLatin1Char('n'));
    QByteArray oversized = answer(oneMatch);
    oversized.append(QByteArray(discovery::datagramLimit, ' '));

    const std::pair<const char*, QByteArray> cases[] = {
        {"another probe's answer", answer(oneMatch, QStringLiteral("urn:uuid:other"))},
        {"no RelatesTo", answer(oneMatch, QString())},
        {"a huge address list",
         answer(match(QStringLiteral("urn:uuid:d"), hugeAddress, QString()))},
        {"a huge name", answer(match(QStringLiteral("urn:uuid:d"),
                                     QStringLiteral("http://10.0.0.5/onvif"), hugeName))},
        {"beyond the datagram limit", oversized},
        {"truncated", answer(oneMatch).left(300)},
        {"not SOAP", QByteArray("<ProbeMatches/>")},
        {"a SOAP envelope without matches",
         QByteArray("<e:Envelope xmlns:e=\"http://www.w3.org/2003/05/soap-envelope\">"
                    "<e:Body/></e:Envelope>")},
        {"garbage", QByteArray("\x01\x02<\xff>", 5)},
    };
    for (const auto& [what, datagram] : cases) {
        const Result<QList<ProbeMatch>> read = parseProbeMatches(datagram, probeId);
        EXPECT_FALSE(read.ok()) << what;
    }
}

} // namespace
} // namespace rure::test
