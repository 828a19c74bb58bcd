#include "cli/SecretOutput.h"

#include <QByteArray>
#include <QFileDevice>
#include <QStringEncoder>

#include "diag/SecureWipe.h"

bool WriteSecretLine(QTextStream& out, QStringView secret) {
    auto* file = qobject_cast<QFileDevice*>(out.device());
    if (!file || !file->openMode().testFlag(QIODevice::Unbuffered)) {
        out << secret << '\n';
        return out.status() == QTextStream::Ok;
    }
    out.flush();
    if (out.status() != QTextStream::Ok) return false;
    // Room for the longest encoding (three bytes per UTF-16 unit) and the line break, so that the
    // one buffer never grows into a second one.
    QByteArray line(secret.size() * 3 + 1, Qt::Uninitialized);
    QStringEncoder encoder(QStringEncoder::Utf8);
    char* end = encoder.appendToBuffer(line.data(), secret);
    *end++ = '\n';
    // Unbuffered, the device hands the bytes to write(2) as they are, and keeps the reason of a
    // failure.
    const qint64 size = end - line.constData();
    const bool written = file->write(line.constData(), size) == size;
    Wipe(line);
    if (!written) out.setStatus(QTextStream::WriteFailed);
    return written;
}
