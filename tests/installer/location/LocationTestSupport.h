#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QTemporaryDir>

#include <functional>
#include <optional>
#include <vector>

namespace rure::test {

// A home of its own for one test: HOME, XDG_CONFIG_HOME and XDG_DATA_HOME point
// into a temporary folder until the object goes, then get their old values back.
// The data folder is not created, so code under test has to cope with that.
class PrivateHome {
public:
    PrivateHome();
    ~PrivateHome();
    PrivateHome(const PrivateHome&) = delete;
    PrivateHome& operator=(const PrivateHome&) = delete;

    bool isValid() const { return root_.isValid(); }
    QString root() const { return root_.path(); }
    QString home() const;
    QString downloads() const { return home() + QStringLiteral("/Downloads"); }
    QString desktop() const { return home() + QStringLiteral("/Desktop"); }
    QString cloudStorage() const { return home() + QStringLiteral("/Library/CloudStorage"); }
    QString configHome() const;
    QString dataHome() const;
    QString trash() const { return dataHome() + QStringLiteral("/Trash"); }

private:
    struct Saved {
        QByteArray name;
        std::optional<QByteArray> value;
    };
    QTemporaryDir root_;
    std::vector<Saved> saved_;
};

// Writes `bytes` to `path`, creating the folders above it; false on failure.
bool writeFile(const QString& path, const QByteArray& bytes);

// Writes an application bundle: Contents/Info.json and Contents/bin/<executable>.
bool writeBundle(const QString& path, const QString& identifier, const QString& executable,
                 const QByteArray& executableBytes);

// Sets the modification time of the file or folder itself.
bool setModificationTime(const QString& path, const QDateTime& time);

// Runs the event loop until `condition` holds or `timeoutMilliseconds` passed;
// returns whether it holds.
bool waitUntil(const std::function<bool()>& condition, int timeoutMilliseconds);

QByteArray readFile(const QString& path);

} // namespace rure::test
