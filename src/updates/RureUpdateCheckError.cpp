#include "RureUpdateCheckError.h"

#include <array>

namespace rure {

namespace {

constexpr std::array allCases{
    RureUpdateCheckError::invalidAddress,
    RureUpdateCheckError::serverUnavailable,
    RureUpdateCheckError::invalidResponse,
    RureUpdateCheckError::invalidDownloadAddress,
};

} // namespace

QString describe(RureUpdateCheckError error) {
    switch (error) {
    case RureUpdateCheckError::invalidAddress:
        return QStringLiteral("Rure\u2019s update address is invalid.");
    case RureUpdateCheckError::serverUnavailable:
        return QStringLiteral("The update server is unavailable.");
    case RureUpdateCheckError::invalidResponse:
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

} // namespace rure
