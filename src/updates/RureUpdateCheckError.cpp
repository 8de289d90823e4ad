#include "RureUpdateCheckError.h"

#include <QNetworkReply>

#include <array>

namespace rure {

namespace {

constexpr std::array allCases{
    RureUpdateCheckError::invalidAddress,   RureUpdateCheckError::serverUnavailable,
    RureUpdateCheckError::invalidResponse,  RureUpdateCheckError::invalidDownloadAddress,
    RureUpdateCheckError::responseTooLarge,
};

} // namespace

QString describe(RureUpdateCheckError error) {
    switch (error) {
    case RureUpdateCheckError::invalidAddress:
        return QStringLiteral("Rure\u2019s update address is invalid.");
    case RureUpdateCheckError::serverUnavailable:
        return QStringLiteral("The update server is unavailable.");
    case RureUpdateCheckError::invalidResponse:
    case RureUpdateCheckError::responseTooLarge:
        return QStringLiteral("The update server returned an invalid response.");
    case RureUpdateCheckError::invalidDownloadAddress:
        return QStringLiteral("The update server returned an invalid download address.");
    }
    Q_UNREACHABLE();
}

Error toError(RureUpdateCheckError error) {
    return Error{ErrorDomain::other, static_cast<int>(error) + 1, describe(error)};
}

std::optional<RureUpdateCheckError> updateCheckErrorOf(const Error& error) {
    for (const RureUpdateCheckError candidate : allCases) {
        if (error == toError(candidate)) {
            return candidate;
        }
    }
    return std::nullopt;
}

QString updateCheckFailureKind(const Error& error) {
    if (const std::optional<RureUpdateCheckError> own = updateCheckErrorOf(error)) {
        switch (*own) {
        case RureUpdateCheckError::invalidAddress:
            return QStringLiteral("invalid update address");
        case RureUpdateCheckError::serverUnavailable:
            return QStringLiteral("server error status");
        case RureUpdateCheckError::invalidResponse:
            return QStringLiteral("invalid response");
        case RureUpdateCheckError::invalidDownloadAddress:
            return QStringLiteral("download address refused");
        case RureUpdateCheckError::responseTooLarge:
            return QStringLiteral("size");
        }
    }
    switch (error.domain) {
    case ErrorDomain::json:
        return QStringLiteral("invalid manifest");
    case ErrorDomain::network:
        break;
    default:
        return QStringLiteral("other");
    }
    // The network client's own text names the address; only its code is used.
    switch (static_cast<QNetworkReply::NetworkError>(error.code)) {
    case QNetworkReply::SslHandshakeFailedError:
        return QStringLiteral("certificate");
    case QNetworkReply::TimeoutError:
    case QNetworkReply::OperationCanceledError:
        return QStringLiteral("time-out");
    case QNetworkReply::InsecureRedirectError:
        return QStringLiteral("redirect to plain HTTP");
    case QNetworkReply::TooManyRedirectsError:
        return QStringLiteral("too many redirects");
    case QNetworkReply::HostNotFoundError:
        return QStringLiteral("name not found");
    case QNetworkReply::ConnectionRefusedError:
        return QStringLiteral("connection refused");
    case QNetworkReply::RemoteHostClosedError:
        return QStringLiteral("connection closed");
    case QNetworkReply::TemporaryNetworkFailureError:
    case QNetworkReply::NetworkSessionFailedError:
        return QStringLiteral("no network");
    default:
        return QStringLiteral("network error %1").arg(error.code);
    }
}

} // namespace rure
