#include "TestCertificates.h"

#include <QFile>
#include <QProcess>
#include <QStringList>

#include <stdexcept>

namespace rure::test {

namespace {

void runOpenssl(const QString& directory, const QStringList& arguments) {
    QProcess openssl;
    openssl.setWorkingDirectory(directory);
    openssl.setProcessChannelMode(QProcess::MergedChannels);
    openssl.start(QStringLiteral("openssl"), arguments);
    if (!openssl.waitForFinished(60'000) || openssl.exitStatus() != QProcess::NormalExit ||
        openssl.exitCode() != 0) {
        throw std::runtime_error("openssl " + arguments.join(u' ').toStdString() +
                                 " failed: " + openssl.readAll().toStdString());
    }
}

QByteArray readFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        throw std::runtime_error("cannot read " + path.toStdString());
    }
    return file.readAll();
}

void writeFile(const QString& path, const QByteArray& contents) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(contents) != contents.size()) {
        throw std::runtime_error("cannot write " + path.toStdString());
    }
}

} // namespace

const TestCertificates& TestCertificates::shared() {
    static const TestCertificates certificates;
    return certificates;
}

TestCertificates::TestCertificates() {
    if (!directory_.isValid()) {
        throw std::runtime_error("no temporary directory for the test certificates");
    }
    const QString dir = directory_.path();
    const QStringList ecKey = {
        QStringLiteral("-newkey"), QStringLiteral("ec"), QStringLiteral("-pkeyopt"),
        QStringLiteral("ec_paramgen_curve:prime256v1"), QStringLiteral("-nodes")};
    runOpenssl(dir, QStringList{QStringLiteral("req"), QStringLiteral("-x509")}
                        << ecKey
                        << QStringList{QStringLiteral("-keyout"), QStringLiteral("ca.key"),
                                       QStringLiteral("-out"), QStringLiteral("ca.pem"),
                                       QStringLiteral("-days"), QStringLiteral("3"),
                                       QStringLiteral("-subj"),
                                       QStringLiteral("/CN=Rure Updates Test Authority"),
                                       QStringLiteral("-addext"),
                                       QStringLiteral("basicConstraints=critical,CA:TRUE"),
                                       QStringLiteral("-addext"),
                                       QStringLiteral("keyUsage=critical,keyCertSign,cRLSign")});
    runOpenssl(dir, QStringList{QStringLiteral("req")}
                        << ecKey
                        << QStringList{QStringLiteral("-keyout"), QStringLiteral("server.key"),
                                       QStringLiteral("-out"), QStringLiteral("server.csr"),
                                       QStringLiteral("-subj"), QStringLiteral("/CN=127.0.0.1")});
    writeFile(directory_.filePath(QStringLiteral("server.ext")),
              "basicConstraints=critical,CA:FALSE\n"
              "keyUsage=critical,digitalSignature,keyEncipherment\n"
              "extendedKeyUsage=serverAuth\n"
              "subjectAltName=IP:127.0.0.1,DNS:localhost\n");
    runOpenssl(dir, {QStringLiteral("x509"), QStringLiteral("-req"), QStringLiteral("-in"),
                     QStringLiteral("server.csr"), QStringLiteral("-CA"), QStringLiteral("ca.pem"),
                     QStringLiteral("-CAkey"), QStringLiteral("ca.key"),
                     QStringLiteral("-CAcreateserial"), QStringLiteral("-out"),
                     QStringLiteral("server.pem"), QStringLiteral("-days"), QStringLiteral("3"),
                     QStringLiteral("-extfile"), QStringLiteral("server.ext")});

    authority = QSslCertificate(readFile(directory_.filePath(QStringLiteral("ca.pem"))));
    serverCertificate =
        QSslCertificate(readFile(directory_.filePath(QStringLiteral("server.pem"))));
    serverKey = QSslKey(readFile(directory_.filePath(QStringLiteral("server.key"))), QSsl::Ec);
    if (authority.isNull() || serverCertificate.isNull() || serverKey.isNull()) {
        throw std::runtime_error("the test certificates do not load");
    }
}

} // namespace rure::test
