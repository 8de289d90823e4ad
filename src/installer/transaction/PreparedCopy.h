#pragma once

#include "common/Result.h"

#include <QString>

namespace rure {

// A private copy of a bundle in a temporary directory, removed with everything
// below it when the object goes away, whatever state the copy reached.
class PreparedCopy {
public:
    // Reserves "<directory>/Rure Prepared <UUID>.app"; nothing is copied yet.
    explicit PreparedCopy(const QString& directory);
    ~PreparedCopy();
    PreparedCopy(const PreparedCopy&) = delete;
    PreparedCopy& operator=(const PreparedCopy&) = delete;

    // Copies `source` recursively, keeping modes and symbolic links as they are.
    // A failure is the file system's own error (domain file).
    Result<void> copyFrom(const QString& source);

    const QString& path() const { return path_; }

private:
    QString path_;
};

} // namespace rure
