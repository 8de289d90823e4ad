#include "BundleManifest.h"

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

std::string errnoText(int error) {
    return std::generic_category().message(error);
}

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
Result<std::string> sha256OfFile(const fs::path& file, const std::string& shownPath) {
    const int descriptor = ::open(file.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
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

bool isSignedDirectory(const fs::path& directory) {
    struct stat status {};
    return ::lstat((directory / "Contents" / "Signature").c_str(), &status) == 0 &&
           S_ISDIR(status.st_mode);
}

struct Entry {
    std::string path; // raw bytes, relative to the bundle's root
    std::string line;
};

class ManifestWalk {
public:
    std::vector<Entry> entries;
    std::vector<fs::path> nestedBundles;

    Result<void> walk(const fs::path& directory, const std::string& relative,
                      bool insideNestedBundle) {
        auto names = entryNames(directory, relative);
        if (!names) {
            return names.error();
        }
        for (const std::string& name : names.value()) {
            const std::string path = relative.empty() ? name : relative + '/' + name;
            if (path == signatureDirectory) {
                continue;
            }
            if (auto added = add(directory / name, path, name, insideNestedBundle); !added) {
                return added;
            }
        }
        return Result<void>::success();
    }

private:
    static Result<std::vector<std::string>> entryNames(const fs::path& directory,
                                                       const std::string& relative) {
        const auto shown = [&] {
            return relative.empty() ? std::string("the bundle's root")
                                    : BundleManifest::escaped(relative);
        };
        std::error_code error;
        fs::directory_iterator iterator(directory, error);
        if (error) {
            return signingError("cannot list " + shown() + ": " + error.message());
        }
        std::vector<std::string> names;
        while (iterator != fs::directory_iterator()) {
            names.push_back(iterator->path().filename().native());
            iterator.increment(error);
            if (error) {
                return signingError("cannot list " + shown() + ": " + error.message());
            }
        }
        return names;
    }

    Result<void> add(const fs::path& file, const std::string& path, const std::string& name,
                     bool insideNestedBundle) {
        const std::string shown = BundleManifest::escaped(path);
        struct stat status {};
        if (::lstat(file.c_str(), &status) != 0) {
            return signingError("cannot examine " + shown + ": " + errnoText(errno));
        }
        if (S_ISDIR(status.st_mode)) {
            entries.push_back({path, "directory " + shown + '\n'});
            const bool nested = !insideNestedBundle && path.starts_with("Contents/") &&
                                name.size() > bundleSuffix.size() && name.ends_with(bundleSuffix) &&
                                isSignedDirectory(file);
            if (nested) {
                nestedBundles.push_back(file);
            }
            return walk(file, path, insideNestedBundle || nested);
        }
        if (S_ISREG(status.st_mode)) {
            auto digest = sha256OfFile(file, shown);
            if (!digest) {
                return digest.error();
            }
            const bool executable = (status.st_mode & (S_IXUSR | S_IXGRP | S_IXOTH)) != 0;
            entries.push_back({path, std::string(executable ? "executable " : "file ") + shown +
                                         ' ' + digest.value() + '\n'});
            return Result<void>::success();
        }
        if (S_ISLNK(status.st_mode)) {
            std::error_code error;
            const fs::path target = fs::read_symlink(file, error);
            if (error) {
                return signingError("cannot read the link " + shown + ": " + error.message());
            }
            entries.push_back(
                {path, "symlink " + shown + ' ' + BundleManifest::escaped(target.native()) + '\n'});
            return Result<void>::success();
        }
        return signingError(shown + " is neither a regular file, a directory nor a symbolic link");
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
    struct stat status {};
    // The bundle's own path may be a link (as /opt/Rure.app could be); nothing below it may.
    if (::stat(bundle.c_str(), &status) != 0 || !S_ISDIR(status.st_mode)) {
        return signingError(escaped(bundle.native()) + " is not a directory");
    }
    if (::lstat((bundle / "Contents").c_str(), &status) != 0 || !S_ISDIR(status.st_mode)) {
        return signingError(escaped(bundle.native()) + " has no Contents directory");
    }
    ManifestWalk walk;
    if (auto walked = walk.walk(bundle, std::string(), false); !walked) {
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
