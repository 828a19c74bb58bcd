#pragma once

#include <QByteArray>
#include <QtGlobal>

typedef struct evp_md_ctx_st EVP_MD_CTX;

// SHA-256 by OpenSSL's libcrypto, which uses the processor's SHA instructions where it has them:
// a data file of many megabytes is hashed several times faster than by a portable implementation
// (Qt's), which matters on every load and save. The digest is that of any other SHA-256
// implementation.

// The digest (32 bytes) of a block of memory.
QByteArray Sha256Of(const char* data, qint64 size);

// The digest of bytes handed over a piece at a time, e.g. by a thread that reads them anyway.
class Sha256Stream {
public:
    // Raises std::bad_alloc when libcrypto cannot allocate its context.
    Sha256Stream();
    ~Sha256Stream();
    Sha256Stream(const Sha256Stream&) = delete;
    Sha256Stream& operator=(const Sha256Stream&) = delete;

    void add(const char* data, qint64 size);
    // The digest of everything added; raises std::bad_alloc when libcrypto failed on the way.
    // The stream is used up.
    QByteArray digest();

private:
    EVP_MD_CTX* context_;
    bool failed_ = false;
};
