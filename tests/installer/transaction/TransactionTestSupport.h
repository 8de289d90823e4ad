#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QStringList>

namespace rure::test {

// Writes `bytes` to `path`, creating the missing directories above it.
bool writeFile(const QString& path, const QByteArray& bytes, bool executable = false);
QByteArray readFile(const QString& path);

// A shell script at `path` running `body` under /bin/sh.
bool writeScript(const QString& path, const QString& body);

// What goes into a test application bundle.
struct TestBundle {
    QString identifier = QStringLiteral("com.didirezoror.rure");
    QString executable = QStringLiteral("rure");
    QString version = QStringLiteral("0.1.0");
    // The program at Contents/bin/<executable>.
    QByteArray program = "#!/bin/sh\nexit 0\n";
};

// Writes Contents/Info.json, Contents/bin/<executable>, two resources and a
// symbolic link between them.
bool writeBundle(const QString& path, const TestBundle& bundle);
// The "version" of the bundle's Info.json, empty when it cannot be read.
QString bundleVersion(const QString& path);

// Every entry below `root` (not following symbolic links), hidden ones too:
// relative path -> "directory", "file <mode> <content>" or "link <target>".
QMap<QString, QString> snapshot(const QString& root);
// The names in `directory`, hidden ones too, sorted.
QStringList entryNames(const QString& directory);

// Points one of this process's descriptors at a file while alive.
class ScopedDescriptorRedirect {
public:
    ScopedDescriptorRedirect(int descriptor, const QString& path, int openFlags);
    ~ScopedDescriptorRedirect();
    ScopedDescriptorRedirect(const ScopedDescriptorRedirect&) = delete;
    ScopedDescriptorRedirect& operator=(const ScopedDescriptorRedirect&) = delete;

    bool ok() const { return saved_ >= 0; }

private:
    int descriptor_;
    int saved_ = -1;
};

} // namespace rure::test
