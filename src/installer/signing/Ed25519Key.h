#pragma once

#include "OpenSslPointers.h"
#include "common/Result.h"

#include <filesystem>
#include <string>
#include <string_view>

namespace rure {

// An Ed25519 key read from PEM: a private key signs, any key verifies.
// Movable, not copyable; the OpenSSL key is released with the object.
class Ed25519Key {
public:
    // A PKCS#8 private key file as `openssl genpkey -algorithm ed25519` writes it.
    static Result<Ed25519Key> readPrivateKey(const std::filesystem::path& pemFile);
    // A SubjectPublicKeyInfo file as `openssl pkey -pubout` writes it.
    static Result<Ed25519Key> readPublicKey(const std::filesystem::path& pemFile);
    static Result<Ed25519Key> publicKeyFromPem(std::string_view pem);

    bool hasPrivateHalf() const { return hasPrivateHalf_; }

    // The 64-byte signature of `message`; fails for a key without its private half.
    Result<std::string> sign(std::string_view message) const;
    bool verify(std::string_view message, std::string_view signature) const;

private:
    Ed25519Key(EvpPkeyPointer key, bool hasPrivateHalf)
        : key_(std::move(key)), hasPrivateHalf_(hasPrivateHalf) {}

    EvpPkeyPointer key_;
    bool hasPrivateHalf_ = false;
};

} // namespace rure
