#pragma once

#include "common/Result.h"

#include <QByteArray>
#include <QJsonValue>

#include <optional>

namespace rure {

// Writes JSON in one fixed, stable layout so that the same value always gives the
// same bytes (files stay diffable and comparable byte for byte):
// one member or element per line, two spaces per level, " : " after member names,
// members sorted by name (code point order), "/" and non-ASCII text written as is,
// only '"', '\' and control characters escaped, no final line break.
class JsonEncoder {
public:
    static const JsonEncoder& prettyPrinted();

    // Fails for values JSON cannot hold: undefined values, non-finite numbers and
    // texts with unpaired UTF-16 surrogates.
    Result<QByteArray> encode(const QJsonValue& value) const;

private:
    JsonEncoder() = default;

    std::optional<Error> write(const QJsonValue& value, int depth, QByteArray& out) const;
};

} // namespace rure
