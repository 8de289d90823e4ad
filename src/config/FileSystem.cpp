#include "FileSystem.h"

#include "FileDescriptor.h"

#include <QFile>
#include <QStringList>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace rure {

namespace {

constexpr mode_t ownerOnlyDirectoryMode = 0700;
constexpr mode_t ownerOnlyFileMode = 0600;

bool isDirectory(const QByteArray& path) {
    struct stat info {};
    return ::stat(path.constData(), &info) == 0 && S_ISDIR(info.st_mode);
}

} // namespace

Error fileError(int errorNumber, const QString& operation) {
    return Error{ErrorDomain::file, errorNumber,
                 QStringLiteral("%1: %2").arg(operation, qt_error_string(errorNumber))};
}

bool entryExists(const QString& path) {
    struct stat info {};
    if (::lstat(QFile::encodeName(path).constData(), &info) == 0) {
        return true;
    }
    // Any other failure (a permission problem, a loop) means something is there
    // that cannot be examined; reading it reports the real cause.
    return errno != ENOENT && errno != ENOTDIR;
}

Result<QByteArray> readWholeFile(const QString& path) {
    const QString operation = QStringLiteral("Could not read %1").arg(path);
    // O_NONBLOCK keeps a FIFO in the way from blocking the caller; it has no effect
    // on regular files.
    FileDescriptor file(
        ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (!file.valid()) {
        return fileError(errno, operation);
    }
    struct stat info {};
    if (::fstat(file.get(), &info) != 0) {
        return fileError(errno, operation);
    }
    if (S_ISDIR(info.st_mode)) {
        return fileError(EISDIR, operation);
    }
    if (!S_ISREG(info.st_mode)) {
        return Error{ErrorDomain::file, EINVAL,
                     QStringLiteral("%1: It is not a regular file.").arg(operation)};
    }

    QByteArray content;
    // One byte more than the reported size, so a file of unchanged size ends with
    // one short read instead of a reallocation.
    qsizetype capacity = static_cast<qsizetype>(info.st_size) + 1;
    content.resize(capacity);
    qsizetype length = 0;
    for (;;) {
        if (length == capacity) {
            capacity *= 2;
            content.resize(capacity);
        }
        const ssize_t count =
            ::read(file.get(), content.data() + length, static_cast<size_t>(capacity - length));
        if (count < 0) {
            if (errno == EINTR) {
                continue;
            }
            return fileError(errno, operation);
        }
        if (count == 0) {
            break;
        }
        length += count;
    }
    content.resize(length);
    return content;
}

Result<void> createDirectoryPath(const QString& path) {
    const QStringList components = path.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    QString current = path.startsWith(QLatin1Char('/')) ? QStringLiteral("/") : QString();
    for (const QString& component : components) {
        if (!current.isEmpty() && !current.endsWith(QLatin1Char('/'))) {
            current += QLatin1Char('/');
        }
        current += component;
        const QByteArray encoded = QFile::encodeName(current);
        if (isDirectory(encoded)) {
            continue;
        }
        if (::mkdir(encoded.constData(), ownerOnlyDirectoryMode) != 0) {
            const int error = errno;
            // Someone else may have created it in the meantime.
            if (error == EEXIST && isDirectory(encoded)) {
                continue;
            }
            return fileError(error == EEXIST ? ENOTDIR : error,
                             QStringLiteral("Could not create the folder %1").arg(current));
        }
        if (::chmod(encoded.constData(), ownerOnlyDirectoryMode) != 0) {
            const int error = errno;
            return fileError(
                error,
                QStringLiteral("Could not restrict the folder %1 to its owner").arg(current));
        }
    }
    return Result<void>::success();
}

Result<void> restrictToOwner(const QString& path) {
    if (::chmod(QFile::encodeName(path).constData(), ownerOnlyFileMode) != 0) {
        const int error = errno;
        return fileError(error, QStringLiteral("Could not restrict %1 to its owner").arg(path));
    }
    return Result<void>::success();
}

} // namespace rure
