#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QSslServer>
#include <QStringList>
#include <QUrl>

#include <vector>

class QSslSocket;

namespace rure::test {

class TestCertificates;

// An HTTPS/1.1 server on 127.0.0.1 with the test certificates, answering every
// request with one canned response and closing the connection. It records the
// request line of every request it receives. Runs on the test's event loop.
class LocalHttpsServer : public QObject {
public:
    enum class Behaviour {
        answer,      // the canned response at once
        neverAnswer, // read the request, then stay silent with the connection open
        trickle,     // the response head, then one body byte every 200 ms
    };

    explicit LocalHttpsServer(const TestCertificates& certificates);
    ~LocalHttpsServer() override;

    // https://127.0.0.1:<port>
    QUrl baseUrl() const;

    void respond(int status, QByteArray body, QList<QByteArray> extraHeaders = {});
    void setBehaviour(Behaviour behaviour) { behaviour_ = behaviour; }

    QStringList requestLines() const { return requestLines_; }
    // Connections that completed the TLS handshake.
    int connectionCount() const { return connectionCount_; }
    // Connections that the client has closed or aborted.
    int closedConnectionCount() const { return closedConnectionCount_; }

private:
    struct Connection {
        QPointer<QSslSocket> socket;
        QByteArray received;
        bool answered = false;
    };

    void accept();
    void readFrom(QSslSocket* socket);
    void answer(QSslSocket* socket);

    QSslServer server_;
    Behaviour behaviour_ = Behaviour::answer;
    QByteArray responseHead_;
    QByteArray responseBody_;
    std::vector<Connection> connections_;
    QStringList requestLines_;
    int connectionCount_ = 0;
    int closedConnectionCount_ = 0;
};

} // namespace rure::test
