#include "LocalHttpsServer.h"

#include "TestCertificates.h"

#include <QSslConfiguration>
#include <QSslSocket>
#include <QTimer>

#include <memory>
#include <stdexcept>

namespace rure::test {

namespace {

QByteArray reasonPhrase(int status) {
    switch (status) {
    case 200:
        return "OK";
    case 301:
        return "Moved Permanently";
    case 302:
        return "Found";
    case 303:
        return "See Other";
    case 307:
        return "Temporary Redirect";
    case 308:
        return "Permanent Redirect";
    case 404:
        return "Not Found";
    case 500:
        return "Internal Server Error";
    default:
        return "Status";
    }
}

QByteArray responseHead(int status, qsizetype bodySize, const QList<QByteArray>& extraHeaders) {
    QByteArray head =
        "HTTP/1.1 " + QByteArray::number(status) + ' ' + reasonPhrase(status) +
        "\r\nContent-Type: application/json\r\nContent-Length: " + QByteArray::number(bodySize) +
        "\r\nConnection: close\r\n";
    for (const QByteArray& header : extraHeaders) {
        head += header + "\r\n";
    }
    return head + "\r\n";
}

} // namespace

LocalHttpsServer::LocalHttpsServer(const TestCertificates& certificates) {
    QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
    tls.setLocalCertificate(certificates.serverCertificate);
    tls.setPrivateKey(certificates.serverKey);
    tls.setPeerVerifyMode(QSslSocket::VerifyNone);
    server_.setSslConfiguration(tls);
    connect(&server_, &QTcpServer::pendingConnectionAvailable, this, &LocalHttpsServer::accept);
    if (!server_.listen(QHostAddress::LocalHost, 0)) {
        throw std::runtime_error("the test HTTPS server cannot listen: " +
                                 server_.errorString().toStdString());
    }
    respond(200, "{}");
}

LocalHttpsServer::~LocalHttpsServer() {
    for (Connection& connection : connections_) {
        if (connection.socket) {
            connection.socket->disconnect(this);
            connection.socket->abort();
            delete connection.socket;
        }
    }
}

QUrl LocalHttpsServer::baseUrl() const {
    QUrl url;
    url.setScheme(QStringLiteral("https"));
    url.setHost(QStringLiteral("127.0.0.1"));
    url.setPort(server_.serverPort());
    return url;
}

void LocalHttpsServer::respond(int status, QByteArray body, QList<QByteArray> extraHeaders) {
    response_ = Response{responseHead(status, body.size(), extraHeaders), std::move(body)};
}

void LocalHttpsServer::respondTo(const QByteArray& path, int status, QByteArray body,
                                 QList<QByteArray> extraHeaders) {
    responsesByPath_[path] =
        Response{responseHead(status, body.size(), extraHeaders), std::move(body)};
}

void LocalHttpsServer::accept() {
    while (QTcpSocket* pending = server_.nextPendingConnection()) {
        auto* socket = qobject_cast<QSslSocket*>(pending);
        if (!socket) {
            delete pending;
            continue;
        }
        ++connectionCount_;
        socket->setParent(this);
        connections_.push_back(Connection{socket, {}, false});
        connect(socket, &QSslSocket::readyRead, this, [this, socket] { readFrom(socket); });
        connect(socket, &QSslSocket::disconnected, this, [this, socket] {
            ++closedConnectionCount_;
            socket->deleteLater();
        });
        readFrom(socket);
    }
}

void LocalHttpsServer::readFrom(QSslSocket* socket) {
    for (Connection& connection : connections_) {
        if (connection.socket != socket) {
            continue;
        }
        connection.received += socket->readAll();
        if (connection.answered) {
            return;
        }
        const qsizetype headEnd = connection.received.indexOf("\r\n\r\n");
        if (headEnd < 0) {
            return;
        }
        const qsizetype lineEnd = connection.received.indexOf("\r\n");
        const QByteArray requestLine = connection.received.left(lineEnd);
        requestLines_ << QString::fromLatin1(requestLine);
        connection.answered = true;
        // "GET <path> HTTP/1.1"
        const auto found = responsesByPath_.find(requestLine.split(' ').value(1));
        answer(socket, found != responsesByPath_.end() ? found->second : response_);
        return;
    }
}

void LocalHttpsServer::answer(QSslSocket* socket, const Response& response) {
    switch (behaviour_) {
    case Behaviour::answer:
        socket->write(response.head + response.body);
        socket->disconnectFromHost();
        return;
    case Behaviour::neverAnswer:
        return;
    case Behaviour::trickle: {
        socket->write(response.head);
        auto* timer = new QTimer(socket);
        auto sent = std::make_shared<qsizetype>(0);
        connect(timer, &QTimer::timeout, socket, [socket, timer, sent, body = response.body] {
            if (*sent < body.size()) {
                socket->write(body.mid(*sent, 1));
                ++*sent;
            } else {
                timer->stop();
            }
        });
        timer->start(200);
        return;
    }
    }
}

} // namespace rure::test
