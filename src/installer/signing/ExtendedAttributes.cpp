#include "ExtendedAttributes.h"

#include "BundleManifest.h"
#include "SigningError.h"

#include <sys/stat.h>
#include <sys/xattr.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <system_error>
#include <vector>

namespace rure::ExtendedAttributes {

namespace {

namespace fs = std::filesystem;

std::string errnoText(int error) {
    return std::generic_category().message(error);
}

std::string shown(const fs::path& path) {
    return BundleManifest::escaped(path.native());
}

bool unsupported(int error) {
    return error == ENOTSUP || error == EOPNOTSUPP;
}

Result<void> clearOwnAttributes(const fs::path& path) {
    // The list can grow between asking for its size and reading it; then ask again.
    for (int attempt = 0; attempt < 8; ++attempt) {
        const ssize_t size = ::llistxattr(path.c_str(), nullptr, 0);
        if (size < 0) {
            if (unsupported(errno)) {
                return Result<void>::success();
            }
            return signingError("cannot list the extended attributes of " + shown(path) + ": " +
                                errnoText(errno));
        }
        if (size == 0) {
            return Result<void>::success();
        }
        std::vector<char> names(static_cast<std::size_t>(size));
        const ssize_t length = ::llistxattr(path.c_str(), names.data(), names.size());
        if (length < 0) {
            if (errno == ERANGE) {
                continue;
            }
            return signingError("cannot list the extended attributes of " + shown(path) + ": " +
                                errnoText(errno));
        }
        const char* name = names.data();
        const char* end = names.data() + length;
        while (name < end) {
            // Gone already (removed by someone else meanwhile) is what we want.
            if (::lremovexattr(path.c_str(), name) != 0 && errno != ENODATA) {
                return signingError("cannot remove the extended attribute " +
                                    BundleManifest::escaped(name) + " of " + shown(path) + ": " +
                                    errnoText(errno));
            }
            name += std::strlen(name) + 1;
        }
        return Result<void>::success();
    }
    return signingError("the extended attributes of " + shown(path) + " kept changing");
}

} // namespace

Result<void> clearRecursively(const std::filesystem::path& path) {
    struct stat status {};
    if (::lstat(path.c_str(), &status) != 0) {
        return signingError("cannot examine " + shown(path) + ": " + errnoText(errno));
    }
    if (auto cleared = clearOwnAttributes(path); !cleared) {
        return cleared;
    }
    if (!S_ISDIR(status.st_mode)) {
        return Result<void>::success();
    }
    std::error_code error;
    std::vector<fs::path> children;
    for (fs::directory_iterator iterator(path, error);
         !error && iterator != fs::directory_iterator(); iterator.increment(error)) {
        children.push_back(iterator->path());
    }
    if (error) {
        return signingError("cannot list " + shown(path) + ": " + error.message());
    }
    for (const fs::path& child : children) {
        if (auto cleared = clearRecursively(child); !cleared) {
            return cleared;
        }
    }
    return Result<void>::success();
}

} // namespace rure::ExtendedAttributes
