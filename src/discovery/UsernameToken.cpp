#include "UsernameToken.h"

#include "OnvifNamespaces.h"

#include <QCryptographicHash>

namespace rure {

namespace {
const QString digestType = QStringLiteral(
    "http://docs.oasis-open.org/wss/2004/01/oasis-200401-wss-username-token-profile-1.0"
    "#PasswordDigest");
const QString base64Encoding = QStringLiteral(
    "http://docs.oasis-open.org/wss/2004/01/oasis-200401-wss-soap-message-security-1.0"
    "#Base64Binary");
} // namespace

QString passwordDigest(const QByteArray& nonce, const QString& created, const QString& password) {
    QCryptographicHash hash(QCryptographicHash::Sha1);
    hash.addData(nonce);
    hash.addData(created.toUtf8());
    hash.addData(password.toUtf8());
    return QString::fromLatin1(hash.result().toBase64());
}

QString usernameTokenTime(const QDateTime& created) {
    return created.toUTC().toString(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss'Z'"));
}

QString usernameTokenHeader(const QString& userName, const QString& password,
                            const QByteArray& nonce, const QDateTime& created) {
    const QString time = usernameTokenTime(created);
    return QStringLiteral("<wsse:Security s:mustUnderstand=\"1\" xmlns:wsse=\"%1\" "
                          "xmlns:wsu=\"%2\"><wsse:UsernameToken>"
                          "<wsse:Username>%3</wsse:Username>"
                          "<wsse:Password Type=\"%4\">%5</wsse:Password>"
                          "<wsse:Nonce EncodingType=\"%6\">%7</wsse:Nonce>"
                          "<wsu:Created>%8</wsu:Created>"
                          "</wsse:UsernameToken></wsse:Security>")
        .arg(onvif::securityNamespace, onvif::securityUtilityNamespace, userName.toHtmlEscaped(),
             digestType, passwordDigest(nonce, time, password), base64Encoding,
             QString::fromLatin1(nonce.toBase64()), time);
}

} // namespace rure
