// The data file: the input is taken as a decrypted data file (UTF-16LE XML text and its zero
// tail) and goes the whole way of a load and a save: cipher, text, parse, the group tree, and the
// saved document loading again to the same bytes. The input is also deciphered as a data file,
// and decoded piece by piece as a load does it.

#include <algorithm>
#include <cstring>

#include "fuzz/FuzzTarget.h"
#include "storage/DataFileCodec.h"
#include "storage/DataFileDecode.h"

namespace {

const QString kVerifier = QStringLiteral("4F2A91C03B7E");

// What a file of these bytes decrypts to, through the cipher both ways.
std::vector<std::uint8_t> ThroughCipher(const QByteArray& plaintext) {
    std::vector<std::uint8_t> ciphertext;
    std::vector<std::uint8_t> back;
    FUZZ_CHECK(EncryptDataText(plaintext, kVerifier, ciphertext));
    FUZZ_CHECK(ciphertext.size() % 8 == 0 && ciphertext.size() >= std::size_t(plaintext.size()));
    const QByteArray file(reinterpret_cast<const char*>(ciphertext.data()),
                          static_cast<qsizetype>(ciphertext.size()));
    FUZZ_CHECK(DecryptDataFile(file, kVerifier, back));
    FUZZ_CHECK(back.size() == ciphertext.size());
    FUZZ_CHECK(plaintext.isEmpty() ||
               std::memcmp(plaintext.constData(), back.data(), std::size_t(plaintext.size())) == 0);
    FUZZ_CHECK(std::all_of(back.begin() + plaintext.size(), back.end(),
                           [](std::uint8_t b) { return b == 0; }));
    return back;
}

}  // namespace

ZETROVA_FUZZ_TARGET(data_file) {
    const QByteArray input(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));

    std::vector<std::uint8_t> deciphered;
    FUZZ_CHECK(DecryptDataFile(input, kVerifier, deciphered));
    FUZZ_CHECK(deciphered.size() == (size + 7) / 8 * 8);

    XmlParseResult loaded = ParseDataText(DataTextOf(ThroughCipher(input)));
    // The load deciphers and parses a piece at a time: the same document, or the same failure.
    std::vector<std::uint8_t> encrypted;
    FUZZ_CHECK(EncryptDataText(input, kVerifier, encrypted));
    const DecodedDataFile decoded =
        DecodeDataFileBytes(QByteArray(reinterpret_cast<const char*>(encrypted.data()),
                                       static_cast<qsizetype>(encrypted.size())),
                            kVerifier);
    FUZZ_CHECK(decoded.deciphered && decoded.parsed.ok() == loaded.ok());
    FUZZ_CHECK(decoded.parsed.errorMessage == loaded.errorMessage);
    if (!loaded.ok()) return 0;
    FUZZ_CHECK(SerializeDocument(decoded.parsed.document) == SerializeDocument(loaded.document));
    const XmlNode root = loaded.document.documentElement();
    FUZZ_CHECK(!root.isNull());

    // Whatever loads is saved, and the saved file loads again to a document that saves the same.
    const QByteArray saved = SerializeDocument(loaded.document);
    XmlParseResult reloaded = ParseDataText(DataTextOf(
        reinterpret_cast<const std::uint8_t*>(saved.constData()), std::size_t(saved.size())));
    FUZZ_CHECK(reloaded.ok());
    FUZZ_CHECK(SerializeDocument(reloaded.document) == saved);

    CheckGroupTree(loaded.document);
    return 0;
}
