#pragma once

#include "common/Result.h"

#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

namespace rure {

// An open directory, and the entries below it reached through it. A tree walked
// with these never follows a symbolic link: a directory that is swapped for a
// link while the walk runs (in a tree someone else can write) is refused, not
// entered. Movable, not copyable; the descriptor is closed with the object.
class DirectoryHandle {
public:
    // `path` itself; a symbolic link at its end is followed only when
    // `followLink` is set (a bundle's own path may be a link, nothing below it).
    // `shown` names the directory in error messages.
    static Result<DirectoryHandle> open(const std::filesystem::path& path, bool followLink,
                                        const std::string& shown);

    ~DirectoryHandle();
    DirectoryHandle(DirectoryHandle&& other) noexcept;
    DirectoryHandle& operator=(DirectoryHandle&& other) noexcept;
    DirectoryHandle(const DirectoryHandle&) = delete;
    DirectoryHandle& operator=(const DirectoryHandle&) = delete;

    int descriptor() const { return descriptor_; }

    // The directory `name` inside this one; fails when it is anything else,
    // a symbolic link included.
    Result<DirectoryHandle> child(const std::string& name, const std::string& shown) const;

    // The names of the entries, without "." and "..", in no particular order.
    Result<std::vector<std::string>> entryNames(const std::string& shown) const;

    // What `name` inside this directory is, a link as itself. False (with errno
    // set) when it cannot be examined.
    bool status(const std::string& name, struct stat& found) const;
    // Whether `name` inside this directory is a directory, not a link to one.
    bool hasDirectory(const std::string& name) const;

    // A path that reaches `name` inside this very directory, whatever has
    // happened meanwhile to the names above it, for the calls that only take a
    // path; the caller must not follow a link at its end (the l* calls).
    std::string pathOf(const std::string& name) const;

private:
    explicit DirectoryHandle(int descriptor) : descriptor_(descriptor) {}

    int descriptor_ = -1;
};

} // namespace rure
