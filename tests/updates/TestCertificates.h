#pragma once

#include <QSslCertificate>
#include <QSslKey>
#include <QString>
#include <QTemporaryDir>

namespace rure::test {

// A certificate authority and a server certificate for 127.0.0.1 and
// localhost signed by it, made with the openssl command at first use and
// shared by the whole test program. Nothing outside the program trusts the
// authority.
class TestCertificates {
public:
    static const TestCertificates& shared();

    QSslCertificate authority;
    QSslCertificate serverCertificate;
    QSslKey serverKey;

private:
    TestCertificates();

    QTemporaryDir directory_;
};

} // namespace rure::test
