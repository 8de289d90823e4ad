#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QSslServer>
#include <QStringList>
#include <QUrl>

#include <map>
#include <vector>

class QSslSocket;

namespace rure::test {

class TestCertificates;

// An HTTPS/1.1 server on 127.0.0.1 with the test certificates, answering every
// request with a canned response (one per path, or one for all other paths) and
// closing the connection. It records the request line of every request it
// receives. Runs on the test's event loop.
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

    // The response to requests for paths without one of their own.
    void respond(int status, QByteArray body, QList<QByteArray> extraHeaders = {});
    // The response to requests for `path` (the request target, as "/rure/x").
    void respondTo(const QByteArray& path, int status, QByteArray body,
                   QList<QByteArray> extraHeaders = {});
    void setBehaviour(Behaviour behaviour) { behaviour_ = behaviour; }

    QStringList requestLines() const { return requestLines_; }
    // Connections that completed the TLS handshake.
    int connectionCount() const { return connectionCount_; }
    // Connections that the client has closed or aborted.
    int closedConnectionCount() const { return closedConnectionCount_; }

private:
    struct Response {
        QByteArray head;
        QByteArray body;
    };

    struct Connection {
        QPointer<QSslSocket> socket;
        QByteArray received;
        bool answered = false;
    };

    void accept();
    void readFrom(QSslSocket* socket);
    void answer(QSslSocket* socket, const Response& response);

    QSslServer server_;
    Behaviour behaviour_ = Behaviour::answer;
    Response response_;
    std::map<QByteArray, Response> responsesByPath_;
    std::vector<Connection> connections_;
    QStringList requestLines_;
    int connectionCount_ = 0;
    int closedConnectionCount_ = 0;
};

} // namespace rure::test
