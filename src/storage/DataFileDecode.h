#pragma once

#include <QByteArray>
#include <QString>

#include "model/XmlDocument.h"

// What DecodeDataFileBytes made of a data file's bytes.
struct DecodedDataFile {
    // False only when the memory for deciphering could not be had; parsed is then empty.
    bool deciphered = false;
    // The document, or why the deciphered text is not one.
    XmlParseResult parsed;
    // The SHA-256 of all the file's bytes, where the document was parsed.
    QByteArray sha256;
};

// Deciphers the bytes of a data file under the verifier's key and parses its text, as
// DecryptDataFile, DataTextOf and ParseDataText would one after the other, but both at once: a
// second thread deciphers the file a piece at a time, turns the text into UTF-8 and hashes the
// file, while this thread parses the pieces already there. Only a few pieces of the plaintext
// ever exist at a time, each overwritten once parsed. Engine failures raise XmlError.
DecodedDataFile DecodeDataFileBytes(const QByteArray& fileBytes, const QString& verifier);
