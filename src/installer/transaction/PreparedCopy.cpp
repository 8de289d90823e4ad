#include "PreparedCopy.h"

#include <QFile>
#include <QUuid>

#include <filesystem>
#include <system_error>

namespace rure {

namespace {

std::filesystem::path filesystemPath(const QString& path) {
    return std::filesystem::path(QFile::encodeName(path).toStdString());
}

} // namespace

PreparedCopy::PreparedCopy(const QString& directory)
    : path_(directory + QStringLiteral("/Rure Prepared ") +
            QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper() + QStringLiteral(".app")) {
}

PreparedCopy::~PreparedCopy() {
    // remove_all does not follow symbolic links, so nothing outside the copy goes.
    std::error_code ignored;
    std::filesystem::remove_all(filesystemPath(path_), ignored);
}

Result<void> PreparedCopy::copyFrom(const QString& source) {
    std::error_code failure;
    std::filesystem::copy(filesystemPath(source), filesystemPath(path_),
                          std::filesystem::copy_options::recursive |
                              std::filesystem::copy_options::copy_symlinks,
                          failure);
    if (failure) {
        return Error{ErrorDomain::file, failure.value(),
                     QString::fromLocal8Bit(failure.message().c_str())};
    }
    return Result<void>::success();
}

} // namespace rure
