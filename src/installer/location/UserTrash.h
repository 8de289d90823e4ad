#pragma once

#include <QString>

#include <utility>

namespace rure {

// The user's freedesktop.org Trash in the home data folder: files/ holds the
// trashed items, info/ one "<name>.trashinfo" per item.
class UserTrash {
public:
    // The Trash in userDataHome(), read from the environment at each call.
    static UserTrash ofCurrentUser();

    explicit UserTrash(QString location) : location_(std::move(location)) {}

    const QString& location() const { return location_; }
    QString filesPath() const;
    QString infoPath() const;
    // Where the description of the trashed item `fileName` (in files/) goes.
    QString infoPathFor(const QString& fileName) const;

    // Creates files/ and info/ (and the folders above them) where missing; false
    // when they cannot be created, for example with a regular file in the way,
    // or when the location is not an absolute path.
    bool prepare() const;

private:
    QString location_;
};

// The user's data folder: $XDG_DATA_HOME, or ~/.local/share when that is unset.
QString userDataHome();

} // namespace rure
