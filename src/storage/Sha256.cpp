#include "Sha256.h"

#include <openssl/evp.h>

#include <memory>
#include <new>

QByteArray Sha256Of(const char* data, qint64 size) {
    const std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> context(EVP_MD_CTX_new(),
                                                                          EVP_MD_CTX_free);
    QByteArray digest(EVP_MAX_MD_SIZE, Qt::Uninitialized);
    unsigned int length = 0;
    if (!context || EVP_DigestInit_ex(context.get(), EVP_sha256(), nullptr) != 1 ||
        EVP_DigestUpdate(context.get(), data, static_cast<std::size_t>(size)) != 1 ||
        EVP_DigestFinal_ex(context.get(), reinterpret_cast<unsigned char*>(digest.data()),
                           &length) != 1)
        throw std::bad_alloc();  // libcrypto fails here only when it cannot allocate
    digest.truncate(static_cast<qsizetype>(length));
    return digest;
}
