#include "AtomicFileWriter.h"

#include "common/FileDescriptor.h"
#include "FileSystem.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <optional>
#include <unistd.h>
#include <utility>
#include <variant>

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

// Writes `bytes` to a new temporary file in `directory` whose name starts with
// `label`, flushed to disk and closed; `remover` then holds its path.
// `destination` names the file in errors.
Result<QByteArray> writeTemporaryFile(const QByteArray& bytes, const QString& directory,
                                      const QString& label, const QString& destination,
                                      std::optional<TemporaryFileRemover>& remover) {
    // mkostemp creates the file with O_EXCL and mode 0600, so it is never readable
    // by others, not even for a moment.
    QByteArray temporaryPath =
        QFile::encodeName(QStringLiteral("%1/.%2.XXXXXX").arg(directory, label));
    FileDescriptor file(::mkostemp(temporaryPath.data(), O_CLOEXEC));
    if (!file.valid()) {
        const int error = errno;
        return fileError(
            error, QStringLiteral("Could not create a temporary file next to %1").arg(destination));
    }
    remover.emplace(temporaryPath);
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
    return temporaryPath;
}

// How a file got its new name without replacing anything.
enum class NewName { renamed, linked };

// Gives the file at `from` the name `to` unless something already has it; the
// errno (EEXIST when the name is taken) otherwise. A rename that refuses to
// replace does it in one step; where the file system has none (NFS), a hard
// link refuses as well, and the old name is left for the caller to remove.
std::variant<NewName, int> nameWithoutReplacing(const QByteArray& from, const QByteArray& to) {
    if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0) {
        return NewName::renamed;
    }
    if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP) {
        return errno;
    }
    if (::link(from.constData(), to.constData()) == 0) {
        return NewName::linked;
    }
    return errno;
}

} // namespace

Result<void> writeFileAtomically(const QByteArray& bytes, const QString& destination) {
    const QFileInfo destinationInfo(destination);
    const QString directory = destinationInfo.path();
    std::optional<TemporaryFileRemover> remover;
    const Result<QByteArray> temporary =
        writeTemporaryFile(bytes, directory, destinationInfo.fileName(), destination, remover);
    if (!temporary.ok()) {
        return temporary.error();
    }
    if (::rename(temporary.value().constData(), QFile::encodeName(destination).constData()) != 0) {
        const int error = errno;
        return fileError(error, QStringLiteral("Could not replace %1").arg(destination));
    }
    remover->release();
    syncDirectory(directory);
    return Result<void>::success();
}

Result<QString> writeNewFileAtomically(const QByteArray& bytes, const QString& directory,
                                       const std::function<QString(int attempt)>& nameForAttempt,
                                       int attempts) {
    const QString firstPath = directory + u'/' + nameForAttempt(0);
    std::optional<TemporaryFileRemover> remover;
    const Result<QByteArray> temporary =
        writeTemporaryFile(bytes, directory, nameForAttempt(0), firstPath, remover);
    if (!temporary.ok()) {
        return temporary.error();
    }
    for (int attempt = 0; attempt < attempts; ++attempt) {
        const QString path = directory + u'/' + nameForAttempt(attempt);
        const std::variant<NewName, int> named =
            nameWithoutReplacing(temporary.value(), QFile::encodeName(path));
        if (const int* error = std::get_if<int>(&named)) {
            if (*error == EEXIST) {
                continue;
            }
            return fileError(*error, QStringLiteral("Could not save %1").arg(path));
        }
        // A renamed file has no temporary name left; a linked one loses it now.
        if (std::get<NewName>(named) == NewName::renamed) {
            remover->release();
        }
        remover.reset();
        syncDirectory(directory);
        return path;
    }
    return fileError(EEXIST, QStringLiteral("Could not save %1").arg(firstPath));
}

} // namespace rure
