#pragma once

#include <openssl/bio.h>
#include <openssl/evp.h>

#include <cstdio>
#include <memory>

namespace rure {

// Owning pointers for the OpenSSL and C library objects of the signing code, so
// that every early return releases what was acquired before it.
struct EvpPkeyDeleter {
    void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
};
struct EvpMdContextDeleter {
    void operator()(EVP_MD_CTX* context) const { EVP_MD_CTX_free(context); }
};
struct BioDeleter {
    void operator()(BIO* bio) const { BIO_free_all(bio); }
};
struct FileDeleter {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

using EvpPkeyPointer = std::unique_ptr<EVP_PKEY, EvpPkeyDeleter>;
using EvpMdContextPointer = std::unique_ptr<EVP_MD_CTX, EvpMdContextDeleter>;
using BioPointer = std::unique_ptr<BIO, BioDeleter>;
using FilePointer = std::unique_ptr<std::FILE, FileDeleter>;

} // namespace rure
