#include "JsonEncoder.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QLocale>

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>
#include <vector>

namespace rure {

namespace {

constexpr int indentWidth = 2;

Error encodingError(const QString& description) {
    return Error{ErrorDomain::json, 0, description};
}

void indent(int depth, QByteArray& out) {
    out.append(depth * indentWidth, ' ');
}

bool hasUnpairedSurrogate(const QString& text) {
    const qsizetype length = text.size();
    for (qsizetype i = 0; i < length; ++i) {
        const QChar c = text.at(i);
        if (c.isHighSurrogate()) {
            if (i + 1 >= length || !text.at(i + 1).isLowSurrogate()) {
                return true;
            }
            ++i;
        } else if (c.isLowSurrogate()) {
            return true;
        }
    }
    return false;
}

std::optional<Error> writeString(const QString& text, QByteArray& out) {
    if (hasUnpairedSurrogate(text)) {
        // QString::toUtf8 would silently turn it into U+FFFD, so the text read
        // back would differ from the one written.
        return encodingError(QStringLiteral("A text contains an unpaired UTF-16 surrogate."));
    }
    static constexpr char hexDigits[] = "0123456789abcdef";
    const QByteArray utf8 = text.toUtf8();
    out.append('"');
    for (const char byte : utf8) {
        switch (byte) {
        case '"':
            out.append("\\\"");
            break;
        case '\\':
            out.append("\\\\");
            break;
        case '\b':
            out.append("\\b");
            break;
        case '\f':
            out.append("\\f");
            break;
        case '\n':
            out.append("\\n");
            break;
        case '\r':
            out.append("\\r");
            break;
        case '\t':
            out.append("\\t");
            break;
        default: {
            const auto unit = static_cast<unsigned char>(byte);
            if (unit < 0x20) {
                out.append("\\u00");
                out.append(hexDigits[unit >> 4]);
                out.append(hexDigits[unit & 0xF]);
            } else {
                out.append(byte);
            }
        }
        }
    }
    out.append('"');
    return std::nullopt;
}

std::optional<Error> writeNumber(const QJsonValue& value, QByteArray& out) {
    // Checked first: QJsonValue::toInteger() mistakes NaN for an integer.
    const double number = value.toDouble();
    if (!std::isfinite(number)) {
        return encodingError(QStringLiteral("JSON cannot hold a number that is not finite."));
    }
    // Integers beyond 2^53 are kept as integers by QJsonValue; going through double
    // would round them.
    constexpr qint64 sentinel = std::numeric_limits<qint64>::min();
    const qint64 integer = value.toInteger(sentinel);
    if (integer != sentinel || value.toInteger(0) == sentinel) {
        out.append(QByteArray::number(integer));
        return std::nullopt;
    }
    out.append(QByteArray::number(number, 'g', QLocale::FloatingPointShortest));
    return std::nullopt;
}

} // namespace

const JsonEncoder& JsonEncoder::prettyPrinted() {
    static const JsonEncoder encoder;
    return encoder;
}

Result<QByteArray> JsonEncoder::encode(const QJsonValue& value) const {
    QByteArray out;
    if (auto error = write(value, 0, out)) {
        return *error;
    }
    return out;
}

std::optional<Error> JsonEncoder::write(const QJsonValue& value, int depth, QByteArray& out) const {
    switch (value.type()) {
    case QJsonValue::Null:
        out.append("null");
        return std::nullopt;
    case QJsonValue::Bool:
        out.append(value.toBool() ? "true" : "false");
        return std::nullopt;
    case QJsonValue::Double:
        return writeNumber(value, out);
    case QJsonValue::String:
        return writeString(value.toString(), out);
    case QJsonValue::Array: {
        const QJsonArray array = value.toArray();
        if (array.isEmpty()) {
            out.append("[]");
            return std::nullopt;
        }
        out.append("[\n");
        for (qsizetype i = 0; i < array.size(); ++i) {
            if (i > 0) {
                out.append(",\n");
            }
            indent(depth + 1, out);
            if (auto error = write(array.at(i), depth + 1, out)) {
                return error;
            }
        }
        out.append('\n');
        indent(depth, out);
        out.append(']');
        return std::nullopt;
    }
    case QJsonValue::Object: {
        const QJsonObject object = value.toObject();
        if (object.isEmpty()) {
            out.append("{}");
            return std::nullopt;
        }
        // UTF-8 byte order is code point order, independent of how QJsonObject
        // happens to store its keys.
        std::vector<std::pair<QByteArray, QString>> names;
        names.reserve(static_cast<std::size_t>(object.size()));
        for (auto it = object.begin(); it != object.end(); ++it) {
            names.emplace_back(it.key().toUtf8(), it.key());
        }
        std::sort(names.begin(), names.end(),
                  [](const auto& a, const auto& b) { return a.first < b.first; });
        out.append("{\n");
        bool first = true;
        for (const auto& entry : names) {
            if (!first) {
                out.append(",\n");
            }
            first = false;
            indent(depth + 1, out);
            if (auto error = writeString(entry.second, out)) {
                return error;
            }
            out.append(" : ");
            if (auto error = write(object.value(entry.second), depth + 1, out)) {
                return error;
            }
        }
        out.append('\n');
        indent(depth, out);
        out.append('}');
        return std::nullopt;
    }
    case QJsonValue::Undefined:
        break;
    }
    return encodingError(QStringLiteral("JSON cannot hold an undefined value."));
}

} // namespace rure
