#include "AtomicFileWriter.h"

#include "FileDescriptor.h"
#include "FileSystem.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>
#include <utility>

namespace rure {

namespace {

// Removes the temporary file unless it has been renamed into place.
class TemporaryFileRemover {
public:
    explicit TemporaryFileRemover(QByteArray path) : path_(std::move(path)) {}
    ~TemporaryFileRemover() {
        if (!path_.isEmpty()) {
            ::unlink(path_.constData());
        }
    }
    TemporaryFileRemover(const TemporaryFileRemover&) = delete;
    TemporaryFileRemover& operator=(const TemporaryFileRemover&) = delete;

    void release() { path_.clear(); }

private:
    QByteArray path_;
};

int writeAll(int fd, const QByteArray& bytes) {
    const char* data = bytes.constData();
    qsizetype remaining = bytes.size();
    while (remaining > 0) {
        const ssize_t count = ::write(fd, data, static_cast<size_t>(remaining));
        if (count < 0) {
            if (errno == EINTR) {
                continue;
            }
            return errno;
        }
        data += count;
        remaining -= count;
    }
    return 0;
}

// Makes the rename itself durable. Some file systems refuse to sync directories;
// the new content is in place either way, so failures are not reported.
void syncDirectory(const QString& directory) {
    FileDescriptor handle(
        ::open(QFile::encodeName(directory).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (handle.valid()) {
        ::fsync(handle.get());
    }
}

} // namespace

Result<void> writeFileAtomically(const QByteArray& bytes, const QString& destination) {
    const QFileInfo destinationInfo(destination);
    const QString directory = destinationInfo.path();
    const QByteArray encodedDestination = QFile::encodeName(destination);

    // mkostemp creates the file with O_EXCL and mode 0600, so it is never readable
    // by others, not even for a moment.
    QByteArray temporaryPath = QFile::encodeName(
        QStringLiteral("%1/.%2.XXXXXX").arg(directory, destinationInfo.fileName()));
    FileDescriptor file(::mkostemp(temporaryPath.data(), O_CLOEXEC));
    if (!file.valid()) {
        const int error = errno;
        return fileError(
            error, QStringLiteral("Could not create a temporary file next to %1").arg(destination));
    }
    TemporaryFileRemover remover(temporaryPath);

    if (const int error = writeAll(file.get(), bytes); error != 0) {
        return fileError(error, QStringLiteral("Could not write %1").arg(destination));
    }
    if (::fsync(file.get()) != 0) {
        const int error = errno;
        return fileError(error, QStringLiteral("Could not write %1").arg(destination));
    }
    if (const int error = file.close(); error != 0) {
        return fileError(error, QStringLiteral("Could not write %1").arg(destination));
    }
    if (::rename(temporaryPath.constData(), encodedDestination.constData()) != 0) {
        const int error = errno;
        return fileError(error, QStringLiteral("Could not replace %1").arg(destination));
    }
    remover.release();
    syncDirectory(directory);
    return Result<void>::success();
}

} // namespace rure
