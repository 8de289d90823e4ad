#include "FileSystem.h"

#include "common/FileDescriptor.h"

#include <QFile>
#include <QLocale>
#include <QStringList>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace rure {

namespace {

constexpr qsizetype initialReadSize = 16 * 1024;

bool isDirectory(const QByteArray& path) {
    struct stat info {};
    return ::stat(path.constData(), &info) == 0 && S_ISDIR(info.st_mode);
}

Error tooLarge(qsizetype maximumSize, const QString& operation) {
    return Error{ErrorDomain::file, EFBIG,
                 QStringLiteral("%1: It is larger than %2.")
                     .arg(operation, QLocale::c().formattedDataSize(maximumSize, 0,
                                                                    QLocale::DataSizeIecFormat))};
}

Result<void> requireRegularFile(const struct stat& info, qsizetype maximumSize,
                                ReadableFile readable, const QString& operation) {
    if (S_ISLNK(info.st_mode)) {
        return Error{ErrorDomain::file, ELOOP,
                     QStringLiteral("%1: It is a symbolic link.").arg(operation)};
    }
    if (S_ISDIR(info.st_mode)) {
        return fileError(EISDIR, operation);
    }
    if (!S_ISREG(info.st_mode)) {
        return Error{ErrorDomain::file, EINVAL,
                     QStringLiteral("%1: It is not a regular file.").arg(operation)};
    }
    if (readable == ReadableFile::ownRegularFile && info.st_uid != ::geteuid()) {
        return Error{ErrorDomain::file, EPERM,
                     QStringLiteral("%1: It belongs to another user.").arg(operation)};
    }
    if (info.st_size > maximumSize) {
        return tooLarge(maximumSize, operation);
    }
    return Result<void>::success();
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

Result<QByteArray> readWholeFile(const QString& path, qsizetype maximumSize,
                                 ReadableFile readable) {
    const QString operation = QStringLiteral("Could not read %1").arg(path);
    const QByteArray encoded = QFile::encodeName(path);
    const bool ownFileOnly = readable == ReadableFile::ownRegularFile;
    // Looked at before opening, so that what is refused is normally never
    // opened: opening a device can have effects of its own, and a socket cannot
    // be opened at all. The decision is the one made on the opened file below.
    struct stat info {};
    if ((ownFileOnly ? ::lstat(encoded.constData(), &info) : ::stat(encoded.constData(), &info)) !=
        0) {
        return fileError(errno, operation);
    }
    if (Result<void> suitable = requireRegularFile(info, maximumSize, readable, operation);
        !suitable) {
        return suitable.error();
    }
    // O_NONBLOCK: should a FIFO take the name before the open, the open does not
    // wait for a writer. It has no effect on regular files. O_NOFOLLOW: a link
    // that takes the name is refused (ELOOP), never followed.
    const int flags = O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY | (ownFileOnly ? O_NOFOLLOW : 0);
    FileDescriptor file(::open(encoded.constData(), flags));
    if (!file.valid()) {
        const int error = errno;
        if (ownFileOnly && error == ELOOP) {
            return Error{ErrorDomain::file, ELOOP,
                         QStringLiteral("%1: It is a symbolic link.").arg(operation)};
        }
        return fileError(error, operation);
    }
    // Looked at again: what was opened is what gets read, whatever took the
    // name since the first look.
    if (::fstat(file.get(), &info) != 0) {
        return fileError(errno, operation);
    }
    if (Result<void> suitable = requireRegularFile(info, maximumSize, readable, operation);
        !suitable) {
        return suitable.error();
    }

    // Grown as the data arrives, up to one byte past the limit: that byte tells a
    // file that has grown past the limit since fstat() from one that ends at it.
    const qsizetype ceiling = maximumSize + 1;
    QByteArray content;
    qsizetype length = 0;
    for (;;) {
        if (length == content.size()) {
            if (length == ceiling) {
                return tooLarge(maximumSize, operation);
            }
            content.resize(std::min(ceiling, std::max(initialReadSize, length * 2)));
        }
        const ssize_t count = ::read(file.get(), content.data() + length,
                                     static_cast<size_t>(content.size() - length));
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

bool isUnsuitableFile(const Error& error) {
    return error.domain == ErrorDomain::file &&
           (error.code == EISDIR || error.code == EINVAL || error.code == EFBIG);
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

Result<void> restrictOwnedEntry(const QString& path, mode_t allowedMode) {
    const QString operation = QStringLiteral("Could not restrict %1 to its owner").arg(path);
    const QByteArray encoded = QFile::encodeName(path);
    struct stat info {};
    if (::lstat(encoded.constData(), &info) != 0) {
        return fileError(errno, operation);
    }
    // Links are not followed: their targets lie outside what the caller owns here.
    // Other kinds are not opened: a FIFO or a device may block or act on opening.
    if (!S_ISREG(info.st_mode) && !S_ISDIR(info.st_mode)) {
        return Result<void>::success();
    }
    // Changed through a descriptor, so that the entry examined is the one changed
    // even if the name is replaced in between.
    FileDescriptor entry(
        ::open(encoded.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY | O_NOFOLLOW));
    if (!entry.valid()) {
        return fileError(errno, operation);
    }
    if (::fstat(entry.get(), &info) != 0) {
        return fileError(errno, operation);
    }
    const mode_t permissions = info.st_mode & 07777;
    if ((!S_ISREG(info.st_mode) && !S_ISDIR(info.st_mode)) || info.st_uid != ::geteuid() ||
        (permissions & ~allowedMode) == 0) {
        return Result<void>::success();
    }
    if (::fchmod(entry.get(), permissions & allowedMode) != 0) {
        return fileError(errno, operation);
    }
    return Result<void>::success();
}

} // namespace rure
