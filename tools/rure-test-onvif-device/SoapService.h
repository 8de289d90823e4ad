#pragma once

#include "DeviceOptions.h"
#include "SoapMessages.h"

#include <QByteArray>
#include <QHash>
#include <QObject>

class QTcpServer;
class QTcpSocket;

namespace rure::device {

// The device's SOAP service over HTTP/1.1: reads one POST per connection,
// checks the login where one is required, answers as the options ask and
// closes the connection. Every request is reported on standard output as
// "request <operation> login=<none|accepted|refused>", and as
// "password-in-clear <operation>" when the password itself was sent.
class SoapService final : public QObject {
public:
    SoapService(const DeviceOptions& options, QObject* parent = nullptr);

    // An error message, or empty once listening.
    QString listen();
    QString serviceAddress() const;

private:
    void accept();
    void read(QTcpSocket* connection);
    void answer(QTcpSocket* connection, const QByteArray& body);
    // "none", "accepted" or "refused".
    QString checkLogin(const SoapCall& call, const QByteArray& body) const;
    void reply(QTcpSocket* connection, int status, const QByteArray& body);

    const DeviceOptions& options_;
    QTcpServer* server_;
    QHash<QTcpSocket*, QByteArray> pending_;
};

} // namespace rure::device
