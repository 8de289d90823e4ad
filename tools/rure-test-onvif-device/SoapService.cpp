#include "SoapService.h"

#include "SoapMessages.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QTcpServer>
#include <QTcpSocket>

#include <cstdio>

namespace rure::device {

namespace {

constexpr qsizetype requestLimit = 1024 * 1024;
constexpr qint64 acceptedClockSkewSeconds = 300;

// Operations that every device answers before a login.
bool needsNoLogin(const QString& operation) {
    return operation == QLatin1String("GetSystemDateAndTime") ||
           operation == QLatin1String("GetCapabilities");
}

void report(const QString& line) {
    std::printf("%s\n", qPrintable(line));
    std::fflush(stdout);
}

} // namespace

SoapService::SoapService(const DeviceOptions& options, QObject* parent)
    : QObject(parent), options_(options), server_(new QTcpServer(this)) {
    connect(server_, &QTcpServer::newConnection, this, &SoapService::accept);
}

QString SoapService::listen() {
    if (!server_->listen(options_.address, options_.httpPort)) {
        return QStringLiteral("cannot listen for SOAP: ") + server_->errorString();
    }
    return {};
}

QString SoapService::serviceAddress() const {
    // As a device names itself: without the interface of a link-local address,
    // which only the computer that reaches it knows.
    QHostAddress advertised = options_.address;
    advertised.setScopeId(QString());
    const QString host = advertised.protocol() == QAbstractSocket::IPv6Protocol
                             ? QStringLiteral("[%1]").arg(advertised.toString())
                             : advertised.toString();
    return QStringLiteral("http://%1:%2/onvif/device_service").arg(host).arg(server_->serverPort());
}

void SoapService::accept() {
    while (QTcpSocket* connection = server_->nextPendingConnection()) {
        connection->setParent(this);
        pending_.insert(connection, {});
        connect(connection, &QTcpSocket::readyRead, this, [this, connection] { read(connection); });
        connect(connection, &QTcpSocket::disconnected, this, [this, connection] {
            pending_.remove(connection);
            connection->deleteLater();
        });
    }
}

void SoapService::read(QTcpSocket* connection) {
    if (!pending_.contains(connection)) {
        connection->readAll();
        return;
    }
    QByteArray& received = pending_[connection];
    received += connection->readAll();
    if (received.size() > requestLimit) {
        connection->abort();
        return;
    }
    const qsizetype headerEnd = received.indexOf("\r\n\r\n");
    if (headerEnd < 0) {
        return;
    }
    qsizetype length = 0;
    for (const QByteArray& line : received.left(headerEnd).split('\n')) {
        const QByteArray trimmed = line.trimmed();
        if (trimmed.toLower().startsWith("content-length:")) {
            length = trimmed.mid(15).trimmed().toLongLong();
        }
    }
    if (received.size() < headerEnd + 4 + length) {
        return;
    }
    const QByteArray body = received.mid(headerEnd + 4, length);
    // One request per connection; what follows is not read.
    pending_.remove(connection);
    answer(connection, body);
}

QString SoapService::checkLogin(const SoapCall& call, const QByteArray& body) const {
    if (!options_.password.isEmpty() && body.contains(options_.password.toUtf8())) {
        report(QStringLiteral("password-in-clear ") + call.operation);
    }
    if (!call.hasToken) {
        return QStringLiteral("none");
    }
    const QByteArray nonce = QByteArray::fromBase64(call.nonce.toLatin1());
    QCryptographicHash hash(QCryptographicHash::Sha1);
    hash.addData(nonce);
    hash.addData(call.created.toUtf8());
    hash.addData(options_.password.toUtf8());
    const QString expected = QString::fromLatin1(hash.result().toBase64());
    const QDateTime created = QDateTime::fromString(call.created, Qt::ISODate);
    const QDateTime deviceClock =
        QDateTime::currentDateTimeUtc().addSecs(options_.clockOffsetSeconds);
    const bool fresh =
        created.isValid() && qAbs(created.secsTo(deviceClock)) <= acceptedClockSkewSeconds;
    const bool accepted = call.userName == options_.user && call.passwordDigest == expected &&
                          call.passwordType.endsWith(QLatin1String("#PasswordDigest")) && fresh;
    return accepted ? QStringLiteral("accepted") : QStringLiteral("refused");
}

void SoapService::answer(QTcpSocket* connection, const QByteArray& body) {
    const std::optional<SoapCall> call = readSoapCall(body);
    if (!call) {
        report(QStringLiteral("request unreadable"));
        reply(connection, 400, actionNotSupportedFault());
        return;
    }
    const QString login = checkLogin(*call, body);
    report(QStringLiteral("request %1 login=%2").arg(call->operation, login));

    switch (options_.soapReply) {
    case SoapReplyMode::silent:
        return; // the connection stays open, unanswered
    case SoapReplyMode::garbage: {
        QByteArray bytes;
        for (int i = 0; i < 3000; ++i) {
            bytes.append(static_cast<char>((i * 53 + 7) % 256));
        }
        reply(connection, 200, bytes);
        return;
    }
    case SoapReplyMode::oversized: {
        QByteArray bytes = "<?xml version=\"1.0\"?><a>";
        bytes += QByteArray(4 * 1024 * 1024, 'x');
        bytes += "</a>";
        reply(connection, 200, bytes);
        return;
    }
    case SoapReplyMode::normal:
        break;
    }
    const bool loginRequired = !options_.user.isEmpty() && !needsNoLogin(call->operation);
    if (loginRequired && login != QLatin1String("accepted")) {
        reply(connection, options_.unauthorizedStatus, notAuthorizedFault());
        return;
    }
    const QDateTime deviceClock =
        QDateTime::currentDateTimeUtc().addSecs(options_.clockOffsetSeconds);
    const QByteArray answerBody = soapAnswer(options_, *call, serviceAddress(), deviceClock);
    const bool isFault = answerBody.contains(":Fault>");
    reply(connection, isFault ? 400 : 200, answerBody);
}

void SoapService::reply(QTcpSocket* connection, int status, const QByteArray& body) {
    const QByteArray reason = status == 200 ? "OK" : status == 401 ? "Unauthorized" : "Bad Request";
    QByteArray head = "HTTP/1.1 " + QByteArray::number(status) + ' ' + reason + "\r\n";
    head += "Content-Type: application/soap+xml; charset=utf-8\r\n";
    if (status == 401) {
        head += "WWW-Authenticate: Digest realm=\"rure-test\", nonce=\"0\", qop=\"auth\"\r\n";
    }
    head += "Content-Length: " + QByteArray::number(body.size()) + "\r\n";
    head += "Connection: close\r\n\r\n";
    connection->write(head);
    connection->write(body);
    connection->disconnectFromHost();
}

} // namespace rure::device
