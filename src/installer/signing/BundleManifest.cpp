#include "BundleManifest.h"

#include "DirectoryHandle.h"
#include "OpenSslPointers.h"
#include "SigningError.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <map>
#include <system_error>

namespace rure {

namespace {

namespace fs = std::filesystem;

constexpr std::string_view manifestHeader = "rure-bundle-manifest 1\n";
constexpr std::string_view signatureDirectory = "Contents/Signature";
constexpr std::string_view bundleSuffix = ".app";

std::string hexadecimal(const unsigned char* bytes, std::size_t count) {
    static constexpr char digits[] = "0123456789abcdef";
    std::string text;
    text.reserve(count * 2);
    for (std::size_t i = 0; i < count; ++i) {
        text += digits[bytes[i] >> 4];
        text += digits[bytes[i] & 0x0f];
    }
    return text;
}

// Hashes through a descriptor opened without following links, so a file that
// is swapped for a link after it was listed cannot make us hash the link's target.
Result<std::string> sha256OfFile(const DirectoryHandle& directory, const std::string& name,
                                 const std::string& shownPath) {
    const int descriptor =
        ::openat(directory.descriptor(), name.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (descriptor < 0) {
        return signingError("cannot read " + shownPath + ": " + errnoText(errno));
    }
    FilePointer stream(::fdopen(descriptor, "rb"));
    if (!stream) {
        const int error = errno;
        ::close(descriptor);
        return signingError("cannot read " + shownPath + ": " + errnoText(error));
    }
    struct stat status {};
    if (::fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode)) {
        return signingError(shownPath + " changed while it was being read");
    }
    EvpMdContextPointer context(EVP_MD_CTX_new());
    if (!context || EVP_DigestInit_ex(context.get(), EVP_sha256(), nullptr) != 1) {
        return signingError("cannot start a SHA-256 digest");
    }
    std::array<char, 64 * 1024> buffer{};
    std::size_t count = 0;
    while ((count = std::fread(buffer.data(), 1, buffer.size(), stream.get())) > 0) {
        if (EVP_DigestUpdate(context.get(), buffer.data(), count) != 1) {
            return signingError("cannot compute the SHA-256 digest of " + shownPath);
        }
    }
    if (std::ferror(stream.get()) != 0) {
        return signingError("cannot read " + shownPath + ": " + errnoText(errno));
    }
    std::array<unsigned char, EVP_MAX_MD_SIZE> digest{};
    unsigned int length = 0;
    if (EVP_DigestFinal_ex(context.get(), digest.data(), &length) != 1) {
        return signingError("cannot compute the SHA-256 digest of " + shownPath);
    }
    return hexadecimal(digest.data(), length);
}

bool isSignedDirectory(const DirectoryHandle& directory) {
    if (!directory.hasDirectory("Contents")) {
        return false;
    }
    auto contents = directory.child("Contents", std::string());
    return contents && contents.value().hasDirectory("Signature");
}

struct Entry {
    std::string path; // raw bytes, relative to the bundle's root
    std::string line;
};

// Every directory is reached through the descriptor of the one above it and
// opened without following a link, so the walk never leaves the bundle, even
// when a directory is swapped for a link while it runs.
class ManifestWalk {
public:
    std::vector<Entry> entries;
    std::vector<fs::path> nestedBundles;

    Result<void> walk(const DirectoryHandle& directory, const fs::path& directoryPath,
                      const std::string& relative, bool insideNestedBundle) {
        const std::string shown =
            relative.empty() ? std::string("the bundle's root") : BundleManifest::escaped(relative);
        auto names = directory.entryNames(shown);
        if (!names) {
            return names.error();
        }
        for (const std::string& name : names.value()) {
            const std::string path = relative.empty() ? name : relative + '/' + name;
            if (path == signatureDirectory) {
                continue;
            }
            if (auto added = add(directory, directoryPath, name, path, insideNestedBundle);
                !added) {
                return added;
            }
        }
        return Result<void>::success();
    }

private:
    Result<void> add(const DirectoryHandle& parent, const fs::path& parentPath,
                     const std::string& name, const std::string& path, bool insideNestedBundle) {
        const std::string shown = BundleManifest::escaped(path);
        struct stat status {};
        if (!parent.status(name, status)) {
            return signingError("cannot examine " + shown + ": " + errnoText(errno));
        }
        if (auto allowed = BundleManifest::checkMode(status, shown); !allowed) {
            return allowed;
        }
        if (S_ISDIR(status.st_mode)) {
            auto directory = parent.child(name, shown);
            if (!directory) {
                return directory.error();
            }
            entries.push_back({path, "directory " + shown + '\n'});
            const bool nested = !insideNestedBundle && path.starts_with("Contents/") &&
                                name.size() > bundleSuffix.size() && name.ends_with(bundleSuffix) &&
                                isSignedDirectory(directory.value());
            if (nested) {
                nestedBundles.push_back(parentPath / name);
            }
            return walk(directory.value(), parentPath / name, path, insideNestedBundle || nested);
        }
        if (S_ISREG(status.st_mode)) {
            auto digest = sha256OfFile(parent, name, shown);
            if (!digest) {
                return digest.error();
            }
            const bool executable = (status.st_mode & (S_IXUSR | S_IXGRP | S_IXOTH)) != 0;
            entries.push_back({path, std::string(executable ? "executable " : "file ") + shown +
                                         ' ' + digest.value() + '\n'});
            return Result<void>::success();
        }
        if (S_ISLNK(status.st_mode)) {
            auto target = linkTarget(parent, name, shown);
            if (!target) {
                return target.error();
            }
            entries.push_back(
                {path, "symlink " + shown + ' ' + BundleManifest::escaped(target.value()) + '\n'});
            return Result<void>::success();
        }
        return signingError(shown + " is neither a regular file, a directory nor a symbolic link");
    }

    static Result<std::string> linkTarget(const DirectoryHandle& parent, const std::string& name,
                                          const std::string& shown) {
        std::string target(256, '\0');
        for (;;) {
            const ssize_t length =
                ::readlinkat(parent.descriptor(), name.c_str(), target.data(), target.size());
            if (length < 0) {
                return signingError("cannot read the link " + shown + ": " + errnoText(errno));
            }
            if (static_cast<std::size_t>(length) < target.size()) {
                target.resize(static_cast<std::size_t>(length));
                return target;
            }
            target.resize(target.size() * 2);
        }
    }
};

// The entry lines of a manifest text keyed by their path field.
std::map<std::string, std::string_view> linesByPath(std::string_view text) {
    std::map<std::string, std::string_view> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        const std::string_view line = text.substr(start, end - start);
        const std::size_t kindEnd = line.find(' ');
        if (kindEnd != std::string_view::npos) {
            const std::size_t pathEnd = line.find(' ', kindEnd + 1);
            lines.emplace(std::string(line.substr(kindEnd + 1, pathEnd == std::string_view::npos
                                                                   ? std::string_view::npos
                                                                   : pathEnd - kindEnd - 1)),
                          line);
        }
        start = end + 1;
    }
    return lines;
}

std::string kindOf(std::string_view line) {
    return std::string(line.substr(0, line.find(' ')));
}

} // namespace

Result<BundleManifest> BundleManifest::compute(const std::filesystem::path& bundle) {
    const std::string shownBundle = escaped(bundle.native());
    struct stat status {};
    // The bundle's own path may be a link (as /opt/Rure.app could be); nothing below it may.
    if (::stat(bundle.c_str(), &status) != 0 || !S_ISDIR(status.st_mode)) {
        return signingError(shownBundle + " is not a directory");
    }
    auto root = DirectoryHandle::open(bundle, true, shownBundle);
    if (!root) {
        return root.error();
    }
    if (::fstat(root.value().descriptor(), &status) != 0 || !S_ISDIR(status.st_mode)) {
        return signingError(shownBundle + " is not a directory");
    }
    if (auto allowed = checkMode(status, shownBundle); !allowed) {
        return allowed.error();
    }
    if (!root.value().hasDirectory("Contents")) {
        return signingError(shownBundle + " has no Contents directory");
    }
    ManifestWalk walk;
    if (auto walked = walk.walk(root.value(), bundle, std::string(), false); !walked) {
        return walked.error();
    }
    std::sort(walk.entries.begin(), walk.entries.end(),
              [](const Entry& a, const Entry& b) { return a.path < b.path; });
    std::string text(manifestHeader);
    for (const Entry& entry : walk.entries) {
        text += entry.line;
    }
    return BundleManifest(std::move(text), std::move(walk.nestedBundles));
}

Result<void> BundleManifest::checkMode(const struct stat& status, const std::string& shownPath) {
    if (S_ISLNK(status.st_mode)) {
        return Result<void>::success();
    }
    if ((status.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
        return signingError(shownPath + " is writable by its group or by others");
    }
    if ((status.st_mode & (S_ISUID | S_ISGID)) != 0) {
        return signingError(shownPath + " has the set-user-ID or set-group-ID bit");
    }
    return Result<void>::success();
}

std::string BundleManifest::escaped(std::string_view bytes) {
    static constexpr char digits[] = "0123456789abcdef";
    std::string text;
    text.reserve(bytes.size());
    for (const char character : bytes) {
        const auto byte = static_cast<unsigned char>(character);
        if (byte <= 0x20 || byte >= 0x7f || byte == '\\') {
            text += "\\x";
            text += digits[byte >> 4];
            text += digits[byte & 0x0f];
        } else {
            text += character;
        }
    }
    return text;
}

std::string BundleManifest::firstDifference(std::string_view expected, std::string_view actual) {
    const auto before = linesByPath(expected);
    const auto now = linesByPath(actual);
    auto b = before.begin();
    auto n = now.begin();
    while (b != before.end() || n != now.end()) {
        if (n == now.end() || (b != before.end() && b->first < n->first)) {
            return "missing " + kindOf(b->second) + ' ' + b->first;
        }
        if (b == before.end() || n->first < b->first) {
            return "added " + kindOf(n->second) + ' ' + n->first;
        }
        if (b->second != n->second) {
            if (kindOf(b->second) != kindOf(n->second)) {
                return "changed " + b->first + " from " + kindOf(b->second) + " to " +
                       kindOf(n->second);
            }
            return "changed " + kindOf(n->second) + ' ' + n->first;
        }
        ++b;
        ++n;
    }
    return "changed manifest header";
}

} // namespace rure
