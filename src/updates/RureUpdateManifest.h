#pragma once

#include "common/Result.h"

#include <QByteArray>
#include <QString>
#include <QUrl>

namespace rure {

// The maker's description of its newest release, published as one JSON object
// {"version": text, "build": integer, "downloadPage": text}; other keys are
// ignored.
struct RureUpdateManifest {
    // Dot-separated numbers, e.g. "1.4.2".
    QString version;
    qint64 build = 0;
    // The web page of the release, exactly as written in the manifest. Kept as
    // text because QUrl folds the scheme and host to lower case, while the
    // acceptance rules compare them as written.
    QString downloadPage;

    // The download page as a URL (invalid when the text does not parse).
    QUrl downloadPageUrl() const;

    // Fails with an error of the json domain when the document is malformed,
    // is not an object, lacks one of the three keys, or holds a value of the
    // wrong type: "version" must be text, "build" a number with an exact signed
    // 64-bit integer value, "downloadPage" text that parses as a URL.
    static Result<RureUpdateManifest> decode(const QByteArray& json);
    // The same form, compact.
    QByteArray encode() const;

    friend bool operator==(const RureUpdateManifest&, const RureUpdateManifest&) = default;
};

} // namespace rure
