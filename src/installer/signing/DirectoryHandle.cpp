#include "DirectoryHandle.h"

#include "SigningError.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <system_error>

namespace rure {

namespace {

struct DirectoryStreamCloser {
    void operator()(DIR* stream) const { ::closedir(stream); }
};

// ELOOP is what O_NOFOLLOW gives for a link; say so in words.
std::string openFailure(const std::string& shown, int error) {
    if (error == ELOOP || error == ENOTDIR) {
        return shown + " is not a directory (it changed, or it is a symbolic link)";
    }
    return "cannot list " + shown + ": " + errnoText(error);
}

constexpr int directoryFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;

} // namespace

Result<DirectoryHandle> DirectoryHandle::open(const std::filesystem::path& path, bool followLink,
                                              const std::string& shown) {
    const int descriptor = ::open(path.c_str(), directoryFlags | (followLink ? 0 : O_NOFOLLOW));
    if (descriptor < 0) {
        return signingError(openFailure(shown, errno));
    }
    return DirectoryHandle(descriptor);
}

DirectoryHandle::~DirectoryHandle() {
    if (descriptor_ >= 0) {
        ::close(descriptor_);
    }
}

DirectoryHandle::DirectoryHandle(DirectoryHandle&& other) noexcept
    : descriptor_(other.descriptor_) {
    other.descriptor_ = -1;
}

DirectoryHandle& DirectoryHandle::operator=(DirectoryHandle&& other) noexcept {
    if (this != &other) {
        if (descriptor_ >= 0) {
            ::close(descriptor_);
        }
        descriptor_ = other.descriptor_;
        other.descriptor_ = -1;
    }
    return *this;
}

Result<DirectoryHandle> DirectoryHandle::child(const std::string& name,
                                               const std::string& shown) const {
    const int descriptor = ::openat(descriptor_, name.c_str(), directoryFlags | O_NOFOLLOW);
    if (descriptor < 0) {
        return signingError(openFailure(shown, errno));
    }
    return DirectoryHandle(descriptor);
}

Result<std::vector<std::string>> DirectoryHandle::entryNames(const std::string& shown) const {
    // The stream takes its own descriptor so that this handle stays usable,
    // and reads from the start whatever was read through this one before.
    const int duplicate = ::openat(descriptor_, ".", directoryFlags);
    if (duplicate < 0) {
        return signingError("cannot list " + shown + ": " + errnoText(errno));
    }
    const std::unique_ptr<DIR, DirectoryStreamCloser> stream(::fdopendir(duplicate));
    if (!stream) {
        const int error = errno;
        ::close(duplicate);
        return signingError("cannot list " + shown + ": " + errnoText(error));
    }
    std::vector<std::string> names;
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(stream.get());
        if (entry == nullptr) {
            if (errno != 0) {
                return signingError("cannot list " + shown + ": " + errnoText(errno));
            }
            return names;
        }
        if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0) {
            names.emplace_back(entry->d_name);
        }
    }
}

bool DirectoryHandle::status(const std::string& name, struct stat& found) const {
    return ::fstatat(descriptor_, name.c_str(), &found, AT_SYMLINK_NOFOLLOW) == 0;
}

bool DirectoryHandle::hasDirectory(const std::string& name) const {
    struct stat found {};
    return status(name, found) && S_ISDIR(found.st_mode);
}

std::string DirectoryHandle::pathOf(const std::string& name) const {
    return "/proc/self/fd/" + std::to_string(descriptor_) + '/' + name;
}

} // namespace rure
