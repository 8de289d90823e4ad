#include "TransactionTestSupport.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace rure::test {

namespace {

// The link's text as written, where QFileInfo would make it absolute.
QString rawLinkTarget(const QString& path) {
    char target[4096];
    const ssize_t length = ::readlink(QFile::encodeName(path).constData(), target, sizeof target);
    return length < 0 ? QString() : QFile::decodeName(QByteArray(target, length));
}

} // namespace

bool writeFile(const QString& path, const QByteArray& bytes, bool executable) {
    if (!QDir().mkpath(QFileInfo(path).path())) {
        return false;
    }
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(bytes) != bytes.size()) {
        return false;
    }
    file.close();
    QFileDevice::Permissions permissions = QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                           QFileDevice::ReadGroup | QFileDevice::ReadOther;
    if (executable) {
        permissions |= QFileDevice::ExeOwner | QFileDevice::ExeGroup | QFileDevice::ExeOther;
    }
    return file.setPermissions(permissions);
}

QByteArray readFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return file.readAll();
}

bool writeScript(const QString& path, const QString& body) {
    return writeFile(path, "#!/bin/sh\n" + body.toUtf8() + '\n', true);
}

bool writeBundle(const QString& path, const TestBundle& bundle) {
    const QJsonObject info{
        {QStringLiteral("identifier"), bundle.identifier},
        {QStringLiteral("executable"), bundle.executable},
        {QStringLiteral("version"), bundle.version},
        {QStringLiteral("build"), QStringLiteral("1")},
    };
    const QString contents = path + QStringLiteral("/Contents");
    const QString resources = contents + QStringLiteral("/Resources");
    return writeFile(contents + QStringLiteral("/Info.json"), QJsonDocument(info).toJson()) &&
           writeFile(contents + QStringLiteral("/bin/") + bundle.executable, bundle.program,
                     true) &&
           writeFile(resources + QStringLiteral("/com.didirezoror.rure.desktop"),
                     "[Desktop Entry]\nName=Rure\nVersion=" + bundle.version.toUtf8() + '\n') &&
           writeFile(resources + QStringLiteral("/com.didirezoror.rure.svg"),
                     "<svg xmlns=\"http://www.w3.org/2000/svg\"/>\n") &&
           QFile::link(QStringLiteral("com.didirezoror.rure.svg"),
                       resources + QStringLiteral("/AppIcon.svg"));
}

QString bundleVersion(const QString& path) {
    const QJsonDocument document =
        QJsonDocument::fromJson(readFile(path + QStringLiteral("/Contents/Info.json")));
    return document.object().value(QStringLiteral("version")).toString();
}

QMap<QString, QString> snapshot(const QString& root) {
    QMap<QString, QString> entries;
    QDirIterator iterator(root,
                          QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                          QDirIterator::Subdirectories);
    const QDir base(root);
    while (iterator.hasNext()) {
        const QString path = iterator.next();
        const QFileInfo info = iterator.fileInfo();
        const QString name = base.relativeFilePath(path);
        if (info.isSymLink()) {
            entries.insert(name, QStringLiteral("link ") + rawLinkTarget(path));
        } else if (info.isDir()) {
            entries.insert(name, QStringLiteral("directory"));
        } else {
            entries.insert(
                name, QStringLiteral("file %1 ").arg(static_cast<int>(info.permissions()), 0, 16) +
                          QString::fromLatin1(readFile(path).toHex()));
        }
    }
    return entries;
}

QStringList entryNames(const QString& directory) {
    return QDir(directory).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

ScopedDescriptorRedirect::ScopedDescriptorRedirect(int descriptor, const QString& path,
                                                   int openFlags)
    : descriptor_(descriptor) {
    std::fflush(nullptr);
    const int file = ::open(QFile::encodeName(path).constData(), openFlags, 0600);
    if (file < 0) {
        return;
    }
    saved_ = ::dup(descriptor_);
    if (saved_ >= 0 && ::dup2(file, descriptor_) < 0) {
        ::close(saved_);
        saved_ = -1;
    }
    ::close(file);
}

ScopedDescriptorRedirect::~ScopedDescriptorRedirect() {
    if (saved_ < 0) {
        return;
    }
    std::fflush(nullptr);
    ::dup2(saved_, descriptor_);
    ::close(saved_);
}

} // namespace rure::test
