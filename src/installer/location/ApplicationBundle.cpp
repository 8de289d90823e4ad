#include "ApplicationBundle.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>

namespace rure {

namespace {

QString stringOrEmpty(const QJsonObject& information, const QString& key) {
    const QJsonValue value = information.value(key);
    return value.isString() ? value.toString() : QString();
}

} // namespace

std::optional<ApplicationBundle> ApplicationBundle::open(const QString& path) {
    QString location = path;
    // "Name.app/" and "Name.app" are the same bundle; keep one spelling so that
    // the paths derived from it read the same either way.
    while (location.size() > 1 && location.endsWith(QLatin1Char('/'))) {
        location.chop(1);
    }
    QFile file(location + QStringLiteral("/Contents/Info.json"));
    if (!file.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &parseError);
    if (parseError.error != QJsonParseError::NoError || !document.isObject()) {
        return std::nullopt;
    }
    const QJsonObject information = document.object();

    ApplicationBundle bundle;
    bundle.path_ = location;
    bundle.identifier_ = stringOrEmpty(information, QStringLiteral("identifier"));
    const QJsonValue executable = information.value(QStringLiteral("executable"));
    if (executable.isString()) {
        bundle.executableName_ = executable.toString();
    }
    bundle.version_ = stringOrEmpty(information, QStringLiteral("version"));
    bundle.build_ = stringOrEmpty(information, QStringLiteral("build"));
    return bundle;
}

QString ApplicationBundle::resourcesPath() const {
    return path_ + QStringLiteral("/Contents/Resources");
}

std::optional<QString> ApplicationBundle::executablePath() const {
    // A name with a path in it would point outside Contents/bin.
    if (!executableName_ || executableName_->isEmpty() ||
        executableName_->contains(QLatin1Char('/')) || *executableName_ == QLatin1String(".") ||
        *executableName_ == QLatin1String("..")) {
        return std::nullopt;
    }
    return path_ + QStringLiteral("/Contents/bin/") + *executableName_;
}

} // namespace rure
