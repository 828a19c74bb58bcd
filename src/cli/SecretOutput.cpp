#include "cli/SecretOutput.h"

#include <unistd.h>

#include <QByteArray>
#include <QFileDevice>
#include <QStringEncoder>
#include <cerrno>

#include "diag/SecureWipe.h"

namespace {

// All of it, unless the descriptor fails (a closed pipe): what the stream would have done too.
void WriteAll(int fd, const char* data, qsizetype size) {
    while (size > 0) {
        const ssize_t written = ::write(fd, data, static_cast<std::size_t>(size));
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return;
        data += written;
        size -= written;
    }
}

}  // namespace

void WriteSecretLine(QTextStream& out, QStringView secret) {
    auto* file = qobject_cast<QFileDevice*>(out.device());
    const int fd = file ? file->handle() : -1;
    if (fd < 0) {
        out << secret << '\n';
        return;
    }
    out.flush();
    // Room for the longest encoding (three bytes per UTF-16 unit) and the line break, so that the
    // one buffer never grows into a second one.
    QByteArray line(secret.size() * 3 + 1, Qt::Uninitialized);
    QStringEncoder encoder(QStringEncoder::Utf8);
    char* end = encoder.appendToBuffer(line.data(), secret);
    *end++ = '\n';
    WriteAll(fd, line.constData(), end - line.constData());
    Wipe(line);
}
