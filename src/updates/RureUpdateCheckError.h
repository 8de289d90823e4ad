#pragma once

#include "common/Error.h"

#include <QString>

#include <optional>

namespace rure {

// The failures that the update check names itself. Failures of the network
// client and of the JSON reader are passed on as their own errors.
enum class RureUpdateCheckError {
    invalidAddress,         // "Rure’s update address is invalid."
    serverUnavailable,      // "The update server is unavailable."
    invalidResponse,        // "The update server returned an invalid response."
    invalidDownloadAddress, // "The update server returned an invalid download address."
    responseTooLarge,       // told to the user as an invalid response
};

// The user-facing text of the case.
QString describe(RureUpdateCheckError error);

// An Error whose description is the case's text. The error domains have no
// entry of their own for update checks, so these use `other` with the case in
// `code` (offset by one, so that a default Error is never mistaken for one).
Error toError(RureUpdateCheckError error);

// The case that `error` carries, if it is one of these.
std::optional<RureUpdateCheckError> updateCheckErrorOf(const Error& error);

// What kind of failure `error` of an update check is, for the log: a few
// words that never contain an address ("certificate", "time-out", ...).
QString updateCheckFailureKind(const Error& error);

} // namespace rure
