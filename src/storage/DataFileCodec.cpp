#include "storage/DataFileCodec.h"

#include <QtEndian>
#include <cstdint>

#include "diag/SecureWipe.h"
#include "storage/CBlowfish.h"

namespace {

const std::uint8_t* Bytes(const QByteArray& bytes) {
    return reinterpret_cast<const std::uint8_t*>(bytes.constData());
}

}  // namespace

QByteArray SerializeDocument(const XmlDocument& document) {
    QByteArray text = document.serialize(QStringLiteral("utf-16"));
    // Into a buffer of the final size, so that no copy of the text is left in a released one.
    QByteArray plaintext;
    plaintext.reserve(text.size() + static_cast<qsizetype>(kDataTextZeroTail));
    plaintext.append(text);
    plaintext.append(static_cast<qsizetype>(kDataTextZeroTail), '\0');
    Wipe(text);
    return plaintext;
}

QByteArray DataFileKey(const QString& verifier) {
    QByteArray key(verifier.size() * 2, Qt::Uninitialized);
    qToLittleEndian<char16_t>(verifier.utf16(), verifier.size(), key.data());
    return key;
}

bool EncryptDataText(const QByteArray& plaintext, const QString& verifier,
                     std::vector<std::uint8_t>& ciphertext) {
    QByteArray key = DataFileKey(verifier);
    const WipeOnExit wipeKey(key);
    std::size_t length = static_cast<std::size_t>(plaintext.size());
    CBlowfish cipher;
    return cipher.Encrypt(Bytes(plaintext), length, Bytes(key),
                          static_cast<std::size_t>(key.size()), ciphertext) == CBlowfish::kOk;
}

bool DecryptDataFile(const QByteArray& fileBytes, const QString& verifier,
                     std::vector<std::uint8_t>& plaintext) {
    QByteArray key = DataFileKey(verifier);
    const WipeOnExit wipeKey(key);
    std::size_t length = static_cast<std::size_t>(fileBytes.size());
    CBlowfish cipher;
    return cipher.Decrypt(Bytes(fileBytes), length, Bytes(key),
                          static_cast<std::size_t>(key.size()), plaintext) == CBlowfish::kOk;
}

QString DataTextOf(const std::uint8_t* plaintext, std::size_t length) {
    const std::size_t units = length / 2;
    std::size_t end = 0;
    while (end < units && (plaintext[2 * end] | plaintext[2 * end + 1]) != 0) ++end;
    if (end == 0) return QString();  // also for a plaintext without bytes (and perhaps no pointer)
    QString text(static_cast<qsizetype>(end), Qt::Uninitialized);
    qFromLittleEndian<char16_t>(plaintext, static_cast<qsizetype>(end),
                                reinterpret_cast<char16_t*>(text.data()));
    return text;
}
