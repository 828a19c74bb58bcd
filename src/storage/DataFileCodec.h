#pragma once

#include <QByteArray>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "model/XmlDocument.h"

// The data file's bytes, without any file access or message. The file is the Blowfish ciphertext
// (electronic code book, zero-padded to whole 8-byte blocks) of a plaintext that holds the
// document as UTF-16LE XML text without byte-order mark, followed by at least 18 zero bytes. The
// key is the key verifier's text in UTF-16LE, two bytes per hexadecimal digit.

// Zero bytes written after the text.
inline constexpr std::size_t kDataTextZeroTail = 18;

// The plaintext of the whole document: XML text with the declaration version "1.0", encoding
// "utf-16", indented, UTF-16LE without byte-order mark, then kDataTextZeroTail zero bytes. The
// same document always gives the same bytes. Engine failures raise XmlError. The caller wipes the
// result once done with it.
QByteArray SerializeDocument(const XmlDocument& document);

// The cipher key for a verifier: its UTF-16LE bytes.
QByteArray DataFileKey(const QString& verifier);

// Encrypts plaintext under the verifier into ciphertext (its length rounded up to a multiple of
// 8, the missing bytes taken as zero). False, ciphertext untouched, when the cipher reports
// failure.
bool EncryptDataText(const QByteArray& plaintext, const QString& verifier,
                     std::vector<std::uint8_t>& ciphertext);

// The whole-file decode: DecryptDataFile, DataTextOf and ParseDataText one after the other, with
// the whole plaintext in memory at once. The programs do not read a data file this way: they use
// DecodeDataFileBytes (storage/DataFileDecode.h), which does the same in pieces on two threads.
// These three are only the plain reference that the tests, the fuzz targets and the benchmarks
// compare it with.

// Decrypts the bytes of a data file. A length that is not a multiple of 8 is completed with zero
// bytes. False, plaintext untouched, when the cipher reports failure.
bool DecryptDataFile(const QByteArray& fileBytes, const QString& verifier,
                     std::vector<std::uint8_t>& plaintext);

// The text of a decrypted plaintext: UTF-16LE code units up to the first zero unit (or the end);
// an odd last byte is ignored. What follows the first zero unit is never looked at.
QString DataTextOf(const std::uint8_t* plaintext, std::size_t length);
inline QString DataTextOf(const std::vector<std::uint8_t>& plaintext) {
    return DataTextOf(plaintext.data(), plaintext.size());
}

// Parses the text of a data file into a new document, whatever encoding its declaration names,
// with the engine's size and depth limits lifted (the program's own output always loads again).
inline XmlParseResult ParseDataText(const QString& text) {
    return XmlDocument::parseDataText(text);
}
