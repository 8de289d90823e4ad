#include "CameraConfiguration.h"

#include "JsonEncoder.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>

namespace rure {

namespace {

const QString camerasKey = QStringLiteral("cameras");
const QString nameKey = QStringLiteral("name");
const QString urlKey = QStringLiteral("url");
const QString subStreamUrlKey = QStringLiteral("subStreamUrl");

Error documentError(const QString& description) {
    return Error{ErrorDomain::json, 0, description};
}

} // namespace

Result<QByteArray> encodeCameraList(const QList<Camera>& cameras) {
    QJsonArray array;
    for (const Camera& camera : cameras) {
        QJsonObject object{{nameKey, camera.name}, {urlKey, camera.url}};
        // Only where there is one: a list without small streams reads as before.
        if (!camera.subStreamUrl.isEmpty()) {
            object.insert(subStreamUrlKey, camera.subStreamUrl);
        }
        array.append(object);
    }
    return JsonEncoder::prettyPrinted().encode(QJsonObject{{camerasKey, array}});
}

Result<QList<Camera>> decodeCameraList(const QByteArray& bytes) {
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        return documentError(QStringLiteral("The camera list is not valid JSON: %1 at offset %2.")
                                 .arg(parseError.errorString())
                                 .arg(parseError.offset));
    }
    if (!document.isObject()) {
        return documentError(QStringLiteral("The camera list is not a JSON object."));
    }
    const QJsonValue camerasValue = document.object().value(camerasKey);
    if (!camerasValue.isArray()) {
        return documentError(QStringLiteral("The camera list has no \"cameras\" array."));
    }
    const QJsonArray array = camerasValue.toArray();
    QList<Camera> cameras;
    cameras.reserve(array.size());
    for (qsizetype i = 0; i < array.size(); ++i) {
        const qsizetype number = i + 1;
        const QJsonValue element = array.at(i);
        if (!element.isObject()) {
            return documentError(QStringLiteral("Camera %1 is not a JSON object.").arg(number));
        }
        const QJsonObject object = element.toObject();
        const QJsonValue name = object.value(nameKey);
        if (!name.isString()) {
            return documentError(QStringLiteral("Camera %1 has no \"name\" text.").arg(number));
        }
        const QJsonValue url = object.value(urlKey);
        if (!url.isString()) {
            return documentError(QStringLiteral("Camera %1 has no \"url\" text.").arg(number));
        }
        const QJsonValue subStreamUrl = object.value(subStreamUrlKey);
        if (!subStreamUrl.isUndefined() && !subStreamUrl.isString()) {
            return documentError(
                QStringLiteral("Camera %1 has a \"subStreamUrl\" that is not text.").arg(number));
        }
        cameras.append(Camera{name.toString(), url.toString(), subStreamUrl.toString()});
    }
    return cameras;
}

} // namespace rure
