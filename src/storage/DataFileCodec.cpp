#include "DataFileCodec.h"

#include <QSysInfo>
#include <QtEndian>
#include <cstdint>
#include <cstring>
#include <system_error>
#include <thread>

#include "CBlowfish.h"
#include "SecureWipe.h"

namespace {

const std::uint8_t* Bytes(const QByteArray& bytes) {
    return reinterpret_cast<const std::uint8_t*>(bytes.constData());
}

// From this size on, a second thread deciphers the second half of the blocks: in electronic code
// book each block is deciphered on its own, and a large file then takes close to half the time
// on a machine with two cores.
constexpr std::size_t kTwoThreadBytes = 1024 * 1024;

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
    const std::uint8_t* input = Bytes(fileBytes);
    std::size_t length = static_cast<std::size_t>(fileBytes.size());
    const auto keyLength = static_cast<std::size_t>(key.size());
    CBlowfish cipher;
    if (length < kTwoThreadBytes || std::thread::hardware_concurrency() < 2)
        return cipher.Decrypt(input, length, Bytes(key), keyLength, plaintext) == CBlowfish::kOk;

    std::vector<std::uint8_t> output;
    try {
        output.assign((length + 7) / 8 * 8, 0);
    } catch (const std::bad_alloc&) {
        return false;
    }
    cipher.SetKey(Bytes(key), keyLength);
    const std::size_t split = length / 16 * 8;  // half of the whole blocks
    auto secondHalf = [&] {
        cipher.DecryptBuffer(input + split, output.data() + split, length - split);
    };
    std::thread second;
    try {
        second = std::thread(secondHalf);
    } catch (const std::system_error&) {
        secondHalf();  // no thread to be had: this one does it after all
    }
    cipher.DecryptBuffer(input, output.data(), split);
    if (second.joinable()) second.join();
    plaintext.swap(output);
    Wipe(output);
    return true;
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

XmlParseResult ParseDataPlaintext(const std::uint8_t* plaintext, std::size_t length) {
    if constexpr (QSysInfo::ByteOrder == QSysInfo::LittleEndian) {
        if (reinterpret_cast<std::uintptr_t>(plaintext) % alignof(char16_t) == 0) {
            const auto* units = reinterpret_cast<const char16_t*>(plaintext);
            return ParseDataText(QStringView(units, static_cast<qsizetype>(length / 2)));
        }
    }
    QString text = DataTextOf(plaintext, length);
    const WipeOnExit wipeText(text);
    return ParseDataText(text);
}
