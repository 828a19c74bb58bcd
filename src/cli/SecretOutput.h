#pragma once

#include <QStringView>
#include <QTextStream>

// Writes a secret (an item's value, a verifier, a generated password) and a line break to a
// command's output without leaving a copy in any buffer once it is written. Where the stream
// writes to a file device opened unbuffered (the tool's standard output), the stream is flushed
// first and the text then goes to the device's descriptor straight from one buffer that is wiped
// afterwards: neither the stream's text buffer, nor the device's, nor stdio's keeps the secret.
// Any other device, and a stream over a string (the tests), gets it as the stream writes text.
// The bytes are the stream's own: UTF-8, an unpaired surrogate as '?'. False when it could not be
// written whole: the stream's status is then WriteFailed, and the device says why.
bool WriteSecretLine(QTextStream& out, QStringView secret);
