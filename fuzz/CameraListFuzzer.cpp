// Camera list documents: whatever decodes must encode, and the encoded form
// must decode to the same list and encode to the same bytes again, since the
// store writes a list and later reads it back as the last-good copy. The
// writer is held to the same for any JSON document.
#include "FuzzInput.h"

#include "config/CameraConfiguration.h"
#include "config/JsonEncoder.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <QString>

namespace {

bool hasUnpairedSurrogate(const QString& text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i).isHighSurrogate() && i + 1 < text.size() &&
            text.at(i + 1).isLowSurrogate()) {
            ++i;
        } else if (text.at(i).isSurrogate()) {
            return true;
        }
    }
    return false;
}

bool anyUnpairedSurrogate(const QList<rure::Camera>& cameras) {
    for (const rure::Camera& camera : cameras) {
        if (hasUnpairedSurrogate(camera.name) || hasUnpairedSurrogate(camera.url)) {
            return true;
        }
    }
    return false;
}

bool sameTexts(const QList<rure::Camera>& a, const QList<rure::Camera>& b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (a.at(i).name != b.at(i).name || a.at(i).url != b.at(i).url) {
            return false;
        }
    }
    return true;
}

// The writer keeps any document it can write: it reads back as the same value
// and writes to the same bytes again.
void checkEncoderRoundTrip(const QByteArray& bytes) {
    using rure::fuzz::require;
    const QJsonDocument document = QJsonDocument::fromJson(bytes);
    if (document.isNull()) {
        return;
    }
    const QJsonValue value =
        document.isObject() ? QJsonValue(document.object()) : QJsonValue(document.array());
    const rure::Result<QByteArray> written = rure::JsonEncoder::prettyPrinted().encode(value);
    if (!written) {
        return;
    }
    const QJsonDocument reread = QJsonDocument::fromJson(written.value());
    require(!reread.isNull(), "written JSON parses");
    require(reread == document, "written JSON reads back as the same value");
    const QJsonValue rereadValue =
        reread.isObject() ? QJsonValue(reread.object()) : QJsonValue(reread.array());
    const rure::Result<QByteArray> rewritten =
        rure::JsonEncoder::prettyPrinted().encode(rereadValue);
    require(rewritten.ok() && rewritten.value() == written.value(),
            "JSON read back writes to the same bytes");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using rure::fuzz::require;
    const QByteArray bytes = rure::fuzz::bytes(data, size);
    checkEncoderRoundTrip(bytes);
    const rure::Result<QList<rure::Camera>> decoded = rure::decodeCameraList(bytes);
    if (!decoded) {
        return 0;
    }
    const QList<rure::Camera>& cameras = decoded.value();
    const rure::Result<QByteArray> encoded = rure::encodeCameraList(cameras);
    // JSON escapes can spell a lone surrogate, which no UTF-8 file can hold.
    require(encoded.ok() != anyUnpairedSurrogate(cameras),
            "a decoded list encodes unless a text holds an unpaired surrogate");
    if (!encoded) {
        return 0;
    }
    const rure::Result<QList<rure::Camera>> reread = rure::decodeCameraList(encoded.value());
    require(reread.ok(), "an encoded list decodes");
    require(sameTexts(reread.value(), cameras), "an encoded list keeps every text exactly");
    const rure::Result<QByteArray> reencoded = rure::encodeCameraList(reread.value());
    require(reencoded.ok() && reencoded.value() == encoded.value(),
            "a list read back encodes to the same bytes");
    return 0;
}
