#include "Ed25519Key.h"

#include "BundleManifest.h"
#include "SigningError.h"

#include <openssl/err.h>
#include <openssl/pem.h>

#include <array>
#include <climits>

namespace rure {

namespace {

// Drains OpenSSL's error queue so that a later failure does not report an
// earlier one, and returns the text of the last entry.
std::string openSslErrorText() {
    std::string text;
    while (const unsigned long code = ERR_get_error()) {
        std::array<char, 256> buffer{};
        ERR_error_string_n(code, buffer.data(), buffer.size());
        text = buffer.data();
    }
    return text.empty() ? std::string("no further detail") : text;
}

// Keys are never encrypted; without this callback OpenSSL would prompt on the
// terminal for a passphrase, which must not happen under pkexec.
int refusePassphrase(char*, int, int, void*) {
    return 0;
}

std::string describedFile(const std::filesystem::path& file) {
    return BundleManifest::escaped(file.native());
}

// Empty when `key` is a usable Ed25519 key, otherwise why not.
std::string problemWith(const EVP_PKEY* key, const std::string& source) {
    if (key == nullptr) {
        return "cannot read a key from " + source + ": " + openSslErrorText();
    }
    if (EVP_PKEY_get_base_id(key) != EVP_PKEY_ED25519) {
        return "the key in " + source + " is not an Ed25519 key";
    }
    return {};
}

} // namespace

Result<Ed25519Key> Ed25519Key::readPrivateKey(const std::filesystem::path& pemFile) {
    const std::string source = describedFile(pemFile);
    BioPointer bio(BIO_new_file(pemFile.c_str(), "r"));
    if (!bio) {
        return signingError("cannot open the key file " + source + ": " + openSslErrorText());
    }
    EvpPkeyPointer key(PEM_read_bio_PrivateKey(bio.get(), nullptr, refusePassphrase, nullptr));
    if (const std::string problem = problemWith(key.get(), source); !problem.empty()) {
        return signingError(problem);
    }
    return Ed25519Key(std::move(key), true);
}

Result<Ed25519Key> Ed25519Key::readPublicKey(const std::filesystem::path& pemFile) {
    const std::string source = describedFile(pemFile);
    BioPointer bio(BIO_new_file(pemFile.c_str(), "r"));
    if (!bio) {
        return signingError("cannot open the key file " + source + ": " + openSslErrorText());
    }
    EvpPkeyPointer key(PEM_read_bio_PUBKEY(bio.get(), nullptr, refusePassphrase, nullptr));
    if (const std::string problem = problemWith(key.get(), source); !problem.empty()) {
        return signingError(problem);
    }
    return Ed25519Key(std::move(key), false);
}

Result<Ed25519Key> Ed25519Key::publicKeyFromPem(std::string_view pem) {
    if (pem.size() > static_cast<std::size_t>(INT_MAX)) {
        return signingError("the public key text is too long");
    }
    BioPointer bio(BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size())));
    if (!bio) {
        return signingError("cannot read the public key: " + openSslErrorText());
    }
    EvpPkeyPointer key(PEM_read_bio_PUBKEY(bio.get(), nullptr, refusePassphrase, nullptr));
    if (const std::string problem = problemWith(key.get(), "the compiled-in public key");
        !problem.empty()) {
        return signingError(problem);
    }
    return Ed25519Key(std::move(key), false);
}

Result<std::string> Ed25519Key::sign(std::string_view message) const {
    if (!hasPrivateHalf_) {
        return signingError("a public key cannot sign");
    }
    EvpMdContextPointer context(EVP_MD_CTX_new());
    // Ed25519 hashes the message itself: no digest is named.
    if (!context || EVP_DigestSignInit(context.get(), nullptr, nullptr, nullptr, key_.get()) != 1) {
        return signingError("cannot start signing: " + openSslErrorText());
    }
    const auto* bytes = reinterpret_cast<const unsigned char*>(message.data());
    std::size_t length = 0;
    if (EVP_DigestSign(context.get(), nullptr, &length, bytes, message.size()) != 1) {
        return signingError("cannot sign: " + openSslErrorText());
    }
    std::string signature(length, '\0');
    if (EVP_DigestSign(context.get(), reinterpret_cast<unsigned char*>(signature.data()), &length,
                       bytes, message.size()) != 1) {
        return signingError("cannot sign: " + openSslErrorText());
    }
    signature.resize(length);
    return signature;
}

bool Ed25519Key::verify(std::string_view message, std::string_view signature) const {
    EvpMdContextPointer context(EVP_MD_CTX_new());
    if (!context ||
        EVP_DigestVerifyInit(context.get(), nullptr, nullptr, nullptr, key_.get()) != 1) {
        openSslErrorText();
        return false;
    }
    const bool valid =
        EVP_DigestVerify(context.get(), reinterpret_cast<const unsigned char*>(signature.data()),
                         signature.size(), reinterpret_cast<const unsigned char*>(message.data()),
                         message.size()) == 1;
    // A rejected signature leaves an entry in the queue; it is not an error here.
    openSslErrorText();
    return valid;
}

} // namespace rure
