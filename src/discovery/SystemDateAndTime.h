#pragma once

#include "SoapResponse.h"
#include "common/Result.h"

#include <QDateTime>

#include <optional>

namespace rure {

// The device's clock in UTC from GetSystemDateAndTime; none when the reply
// holds no valid UTC time (devices that keep only local time). Its offset
// from this computer's clock dates the UsernameToken, which devices reject
// when it is far from their own time.
Result<std::optional<QDateTime>> readSystemDateAndTime(const SoapReply& reply);

} // namespace rure
