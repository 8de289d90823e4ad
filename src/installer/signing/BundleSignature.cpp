#include "BundleSignature.h"

#include "BundleManifest.h"
#include "OpenSslPointers.h"
#include "SigningError.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <set>
#include <system_error>

namespace rure::BundleSignature {

namespace {

namespace fs = std::filesystem;

constexpr const char* manifestName = "Manifest";
constexpr const char* signatureName = "Manifest.sig";

std::string shown(const fs::path& path) {
    return BundleManifest::escaped(path.native());
}

fs::path signatureDirectoryOf(const fs::path& bundle) {
    return bundle / "Contents" / "Signature";
}

Result<std::string> readRegularFile(const fs::path& file) {
    const int descriptor = ::open(file.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (descriptor < 0) {
        return signingError("cannot read " + shown(file) + ": " + errnoText(errno));
    }
    FilePointer stream(::fdopen(descriptor, "rb"));
    if (!stream) {
        const int error = errno;
        ::close(descriptor);
        return signingError("cannot read " + shown(file) + ": " + errnoText(error));
    }
    std::string contents;
    std::array<char, 64 * 1024> buffer{};
    std::size_t count = 0;
    while ((count = std::fread(buffer.data(), 1, buffer.size(), stream.get())) > 0) {
        contents.append(buffer.data(), count);
    }
    if (std::ferror(stream.get()) != 0) {
        return signingError("cannot read " + shown(file) + ": " + errnoText(errno));
    }
    return contents;
}

Result<void> writeNewFile(const fs::path& file, const std::string& contents) {
    const int descriptor =
        ::open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (descriptor < 0) {
        return signingError("cannot create " + shown(file) + ": " + errnoText(errno));
    }
    FilePointer stream(::fdopen(descriptor, "wb"));
    if (!stream) {
        const int error = errno;
        ::close(descriptor);
        return signingError("cannot create " + shown(file) + ": " + errnoText(error));
    }
    if (std::fwrite(contents.data(), 1, contents.size(), stream.get()) != contents.size()) {
        return signingError("cannot write " + shown(file) + ": " + errnoText(errno));
    }
    // Closing flushes; a full disk shows up here, not in fwrite.
    if (std::fclose(stream.release()) != 0) {
        return signingError("cannot write " + shown(file) + ": " + errnoText(errno));
    }
    return Result<void>::success();
}

// Contents/Signature is outside the manifest, so it may hold nothing but the
// two files it is for.
Result<void> checkSignatureDirectory(const fs::path& bundle) {
    const fs::path directory = signatureDirectoryOf(bundle);
    struct stat status {};
    if (::lstat(directory.c_str(), &status) != 0) {
        return signingError(shown(bundle) + " is not signed: Contents/Signature is missing");
    }
    if (!S_ISDIR(status.st_mode)) {
        return signingError(shown(bundle) + ": Contents/Signature is not a directory");
    }
    std::error_code error;
    std::set<std::string> names;
    for (fs::directory_iterator iterator(directory, error);
         !error && iterator != fs::directory_iterator(); iterator.increment(error)) {
        names.insert(iterator->path().filename().native());
    }
    if (error) {
        return signingError("cannot list " + shown(directory) + ": " + error.message());
    }
    // Outside the manifest, so its modes are checked here.
    if (auto allowed = BundleManifest::checkMode(status, shown(bundle) + ": Contents/Signature");
        !allowed) {
        return allowed;
    }
    for (const std::string& name : names) {
        const bool expected = name == manifestName || name == signatureName;
        if (!expected || ::lstat((directory / name).c_str(), &status) != 0 ||
            !S_ISREG(status.st_mode)) {
            return signingError(shown(bundle) + ": unexpected entry Contents/Signature/" +
                                BundleManifest::escaped(name));
        }
        if (auto allowed =
                BundleManifest::checkMode(status, shown(bundle) + ": Contents/Signature/" + name);
            !allowed) {
            return allowed;
        }
    }
    if (names.size() != 2) {
        return signingError(shown(bundle) + " is not signed: Contents/Signature/" +
                            (names.count(manifestName) == 0 ? manifestName : signatureName) +
                            " is missing");
    }
    return Result<void>::success();
}

} // namespace

Result<void> sign(const std::filesystem::path& bundle, const Ed25519Key& privateKey) {
    auto manifest = BundleManifest::compute(bundle);
    if (!manifest) {
        return manifest.error();
    }
    auto signature = privateKey.sign(manifest.value().text());
    if (!signature) {
        return signature.error();
    }
    const fs::path directory = signatureDirectoryOf(bundle);
    std::error_code error;
    fs::remove_all(directory, error);
    if (error) {
        return signingError("cannot remove the old " + shown(directory) + ": " + error.message());
    }
    if (::mkdir(directory.c_str(), 0755) != 0) {
        return signingError("cannot create " + shown(directory) + ": " + errnoText(errno));
    }
    if (auto written = writeNewFile(directory / manifestName, manifest.value().text()); !written) {
        return written;
    }
    return writeNewFile(directory / signatureName, signature.value());
}

Result<void> verify(const std::filesystem::path& bundle, const Ed25519Key& trustedKey) {
    struct stat status {};
    if (::stat(bundle.c_str(), &status) != 0 || !S_ISDIR(status.st_mode)) {
        return signingError(shown(bundle) + " is not a directory");
    }
    if (auto checked = checkSignatureDirectory(bundle); !checked) {
        return checked;
    }
    const fs::path directory = signatureDirectoryOf(bundle);
    auto stored = readRegularFile(directory / manifestName);
    if (!stored) {
        return stored.error();
    }
    auto signature = readRegularFile(directory / signatureName);
    if (!signature) {
        return signature.error();
    }
    if (!trustedKey.verify(stored.value(), signature.value())) {
        return signingError(shown(bundle) +
                            ": the manifest's signature is not valid for the trusted key");
    }
    auto current = BundleManifest::compute(bundle);
    if (!current) {
        return current.error();
    }
    if (current.value().text() != stored.value()) {
        return signingError(
            shown(bundle) + " was modified: " +
            BundleManifest::firstDifference(stored.value(), current.value().text()));
    }
    for (const fs::path& nested : current.value().nestedBundles()) {
        if (auto verified = verify(nested, trustedKey); !verified) {
            return verified;
        }
    }
    return Result<void>::success();
}

} // namespace rure::BundleSignature
