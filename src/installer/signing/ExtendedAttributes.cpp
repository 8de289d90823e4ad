#include "ExtendedAttributes.h"

#include "BundleManifest.h"
#include "DirectoryHandle.h"
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

std::string shown(const fs::path& path) {
    return BundleManifest::escaped(path.native());
}

bool unsupported(int error) {
    return error == ENOTSUP || error == EOPNOTSUPP;
}

// The attributes of one file, reached either through a descriptor of the file
// itself or through a path whose last component is never followed.
class AttributeTarget {
public:
    static AttributeTarget open(int descriptor) { return AttributeTarget(descriptor, {}); }
    static AttributeTarget notFollowed(std::string path) {
        return AttributeTarget(-1, std::move(path));
    }

    ssize_t list(char* names, std::size_t size) const {
        return descriptor_ >= 0 ? ::flistxattr(descriptor_, names, size)
                                : ::llistxattr(path_.c_str(), names, size);
    }
    int remove(const char* name) const {
        return descriptor_ >= 0 ? ::fremovexattr(descriptor_, name)
                                : ::lremovexattr(path_.c_str(), name);
    }

private:
    AttributeTarget(int descriptor, std::string path)
        : descriptor_(descriptor), path_(std::move(path)) {}

    int descriptor_;
    std::string path_;
};

Result<void> clearOwnAttributes(const AttributeTarget& target, const fs::path& path) {
    // The list can grow between asking for its size and reading it; then ask again.
    for (int attempt = 0; attempt < 8; ++attempt) {
        const ssize_t size = target.list(nullptr, 0);
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
        const ssize_t length = target.list(names.data(), names.size());
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
            if (target.remove(name) != 0 && errno != ENODATA) {
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

// Everything is reached through the descriptor of the directory above it, so a
// directory swapped for a link after it was examined is refused, not followed.
Result<void> clearTree(const DirectoryHandle& directory, const fs::path& path) {
    if (auto cleared = clearOwnAttributes(AttributeTarget::open(directory.descriptor()), path);
        !cleared) {
        return cleared;
    }
    auto names = directory.entryNames(shown(path));
    if (!names) {
        return names.error();
    }
    for (const std::string& name : names.value()) {
        const fs::path childPath = path / name;
        struct stat status {};
        if (!directory.status(name, status)) {
            return signingError("cannot examine " + shown(childPath) + ": " + errnoText(errno));
        }
        if (!S_ISDIR(status.st_mode)) {
            const auto target = AttributeTarget::notFollowed(directory.pathOf(name));
            if (auto cleared = clearOwnAttributes(target, childPath); !cleared) {
                return cleared;
            }
            continue;
        }
        auto child = directory.child(name, shown(childPath));
        if (!child) {
            return child.error();
        }
        if (auto cleared = clearTree(child.value(), childPath); !cleared) {
            return cleared;
        }
    }
    return Result<void>::success();
}

} // namespace

Result<void> clearRecursively(const std::filesystem::path& path) {
    struct stat status {};
    if (::lstat(path.c_str(), &status) != 0) {
        return signingError("cannot examine " + shown(path) + ": " + errnoText(errno));
    }
    if (!S_ISDIR(status.st_mode)) {
        return clearOwnAttributes(AttributeTarget::notFollowed(path.native()), path);
    }
    auto directory = DirectoryHandle::open(path, false, shown(path));
    if (!directory) {
        return directory.error();
    }
    return clearTree(directory.value(), path);
}

} // namespace rure::ExtendedAttributes
