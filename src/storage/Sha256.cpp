#include "storage/Sha256.h"

#include <openssl/evp.h>

#include <new>

QByteArray Sha256Of(const char* data, qint64 size) {
    Sha256Stream stream;
    stream.add(data, size);
    return stream.digest();
}

Sha256Stream::Sha256Stream() : context_(EVP_MD_CTX_new()) {
    // libcrypto fails here only when it cannot allocate
    if (!context_) throw std::bad_alloc();
    if (EVP_DigestInit_ex(context_, EVP_sha256(), nullptr) != 1) {
        EVP_MD_CTX_free(context_);
        throw std::bad_alloc();
    }
}

Sha256Stream::~Sha256Stream() {
    EVP_MD_CTX_free(context_);
}

void Sha256Stream::add(const char* data, qint64 size) {
    if (size > 0 && EVP_DigestUpdate(context_, data, static_cast<std::size_t>(size)) != 1)
        failed_ = true;
}

QByteArray Sha256Stream::digest() {
    QByteArray digest(EVP_MAX_MD_SIZE, Qt::Uninitialized);
    unsigned int length = 0;
    if (failed_ ||
        EVP_DigestFinal_ex(context_, reinterpret_cast<unsigned char*>(digest.data()), &length) != 1)
        throw std::bad_alloc();
    digest.truncate(static_cast<qsizetype>(length));
    return digest;
}
