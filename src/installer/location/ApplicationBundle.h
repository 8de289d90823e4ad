#pragma once

#include <QString>

#include <optional>

namespace rure {

// An application bundle on disk: a "<Name>.app" directory whose
// Contents/Info.json ({"identifier", "executable", "version", "build"})
// describes it. The information is read once, when the bundle is opened.
class ApplicationBundle {
public:
    // None when Contents/Info.json is missing, unreadable, not JSON or not an object.
    static std::optional<ApplicationBundle> open(const QString& path);

    const QString& path() const { return path_; }
    // Empty when "identifier" is missing or not a string.
    const QString& identifier() const { return identifier_; }
    // None when "executable" is missing or not a string.
    const std::optional<QString>& executableName() const { return executableName_; }
    // Empty when the key is missing or not a string.
    const QString& version() const { return version_; }
    const QString& build() const { return build_; }

    QString resourcesPath() const;
    // Contents/bin/<executable>; none without an executable's name, or when the
    // name is not a plain file name (empty, ".", ".." or holding a "/").
    std::optional<QString> executablePath() const;

private:
    ApplicationBundle() = default;

    QString path_;
    QString identifier_;
    std::optional<QString> executableName_;
    QString version_;
    QString build_;
};

} // namespace rure
