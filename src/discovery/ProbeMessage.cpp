#include "ProbeMessage.h"

#include "OnvifNamespaces.h"

#include <QUuid>

namespace rure {

QString newMessageId() {
    return QStringLiteral("urn:uuid:") + QUuid::createUuid().toString(QUuid::WithoutBraces);
}

QByteArray probeMessage(const QString& messageId) {
    using namespace onvif;
    const QString message =
        QStringLiteral(
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
            "<s:Envelope xmlns:s=\"%1\" xmlns:a=\"%2\" xmlns:d=\"%3\" xmlns:dn=\"%4\">"
            "<s:Header>"
            "<a:Action s:mustUnderstand=\"1\">%3/Probe</a:Action>"
            "<a:MessageID>%5</a:MessageID>"
            "<a:ReplyTo><a:Address>%2/role/anonymous</a:Address></a:ReplyTo>"
            "<a:To s:mustUnderstand=\"1\">urn:schemas-xmlsoap-org:ws:2005:04:discovery</a:To>"
            "</s:Header>"
            "<s:Body><d:Probe><d:Types>dn:NetworkVideoTransmitter</d:Types></d:Probe></s:Body>"
            "</s:Envelope>")
            .arg(soapEnvelopeNamespace, addressingNamespace, discoveryNamespace, networkNamespace,
                 messageId.toHtmlEscaped());
    return message.toUtf8();
}

} // namespace rure
