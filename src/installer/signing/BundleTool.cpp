#include "BundleTool.h"

#include "BundleSignature.h"
#include "Ed25519Key.h"
#include "ExtendedAttributes.h"

#include <optional>

namespace rure::BundleTool {

namespace {

constexpr int succeeded = 0;
constexpr int failed = 1;
constexpr int misused = 2;

constexpr std::string_view usage = "usage: rure-bundle sign <bundle> <private-key.pem>\n"
                                   "       rure-bundle verify [--public-key <pem>] <bundle>\n"
                                   "       rure-bundle clear-xattrs <path>\n";

int outcome(const Result<void>& result, std::ostream& errors) {
    if (result) {
        return succeeded;
    }
    errors << "rure-bundle: " << result.error().description.toStdString() << '\n';
    return failed;
}

int misuse(std::ostream& errors) {
    errors << usage;
    return misused;
}

int signBundle(const std::vector<std::string>& arguments, std::ostream& errors) {
    if (arguments.size() != 3) {
        return misuse(errors);
    }
    auto key = Ed25519Key::readPrivateKey(arguments[2]);
    if (!key) {
        return outcome(key.error(), errors);
    }
    return outcome(BundleSignature::sign(arguments[1], key.value()), errors);
}

int verifyBundle(const std::vector<std::string>& arguments, std::string_view trustedPublicKeyPem,
                 std::ostream& errors) {
    std::optional<std::string> keyFile;
    std::optional<std::string> bundle;
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        if (arguments[i] == "--public-key") {
            if (i + 1 == arguments.size() || keyFile) {
                return misuse(errors);
            }
            keyFile = arguments[++i];
        } else if (!bundle) {
            bundle = arguments[i];
        } else {
            return misuse(errors);
        }
    }
    if (!bundle) {
        return misuse(errors);
    }
    auto key = keyFile ? Ed25519Key::readPublicKey(*keyFile)
                       : Ed25519Key::publicKeyFromPem(trustedPublicKeyPem);
    if (!key) {
        return outcome(key.error(), errors);
    }
    return outcome(BundleSignature::verify(*bundle, key.value()), errors);
}

} // namespace

int run(const std::vector<std::string>& arguments, std::string_view trustedPublicKeyPem,
        std::ostream& errors) {
    const std::string mode = arguments.empty() ? std::string() : arguments.front();
    if (mode == "sign") {
        return signBundle(arguments, errors);
    }
    if (mode == "verify") {
        return verifyBundle(arguments, trustedPublicKeyPem, errors);
    }
    if (mode == "clear-xattrs") {
        if (arguments.size() != 2) {
            return misuse(errors);
        }
        return outcome(ExtendedAttributes::clearRecursively(arguments[1]), errors);
    }
    return misuse(errors);
}

} // namespace rure::BundleTool
