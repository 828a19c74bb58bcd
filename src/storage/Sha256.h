#pragma once

#include <QByteArray>
#include <QtGlobal>

// The SHA-256 digest (32 bytes) of a block of memory, by OpenSSL's libcrypto, which uses the
// processor's SHA instructions where it has them: a data file of many megabytes is hashed several
// times faster than by a portable implementation (Qt's), which matters on every load and save.
// The digest is that of any other SHA-256 implementation.
QByteArray Sha256Of(const char* data, qint64 size);
