#include "RureUpdateManifest.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QVariant>

namespace rure {

namespace {

const QString versionKey = QStringLiteral("version");
const QString buildKey = QStringLiteral("build");
const QString downloadPageKey = QStringLiteral("downloadPage");

Error decodingError(const QString& description, int code = 0) {
    return Error{ErrorDomain::json, code, description};
}

Error missingValue(const QString& key) {
    return decodingError(QStringLiteral("The update manifest has no \"%1\" value.").arg(key));
}

QUrl parseUrl(const QString& text) {
    return QUrl(text, QUrl::StrictMode);
}

} // namespace

QUrl RureUpdateManifest::downloadPageUrl() const {
    return parseUrl(downloadPage);
}

Result<RureUpdateManifest> RureUpdateManifest::decode(const QByteArray& json) {
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(json, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        return decodingError(
            QStringLiteral("The update manifest is not valid JSON: %1 at offset %2.")
                .arg(parseError.errorString())
                .arg(parseError.offset),
            parseError.error);
    }
    if (!document.isObject()) {
        return decodingError(QStringLiteral("The update manifest is not a JSON object."));
    }
    const QJsonObject object = document.object();

    RureUpdateManifest manifest;
    if (!object.contains(versionKey)) {
        return missingValue(versionKey);
    }
    const QJsonValue version = object.value(versionKey);
    if (!version.isString()) {
        return decodingError(
            QStringLiteral("The \"version\" value of the update manifest is not text."));
    }
    manifest.version = version.toString();

    if (!object.contains(buildKey)) {
        return missingValue(buildKey);
    }
    // The JSON reader keeps numbers with an exact 64-bit integer value as
    // integers; fractions and numbers out of range arrive as doubles.
    const QVariant build = object.value(buildKey).toVariant();
    if (build.typeId() != QMetaType::LongLong) {
        return decodingError(
            QStringLiteral("The \"build\" value of the update manifest is not a 64-bit integer."));
    }
    manifest.build = build.toLongLong();

    if (!object.contains(downloadPageKey)) {
        return missingValue(downloadPageKey);
    }
    const QJsonValue downloadPage = object.value(downloadPageKey);
    if (!downloadPage.isString() || downloadPage.toString().isEmpty() ||
        !parseUrl(downloadPage.toString()).isValid()) {
        return decodingError(QStringLiteral(
            "The \"downloadPage\" value of the update manifest is not a web address."));
    }
    manifest.downloadPage = downloadPage.toString();
    return manifest;
}

QByteArray RureUpdateManifest::encode() const {
    const QJsonObject object{
        {versionKey, version},
        {buildKey, build},
        {downloadPageKey, downloadPage},
    };
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

} // namespace rure
