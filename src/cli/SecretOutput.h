#pragma once

#include <QStringView>
#include <QTextStream>

// Writes a secret (an item's value, a verifier, a generated password) and a line break to a
// command's output without leaving a copy in any buffer once it is written. Where the stream
// writes to a file descriptor (the standard output), the stream is flushed first and the text
// then goes to the descriptor with write(2) from one buffer that is wiped afterwards: neither the
// stream's text buffer, nor the file device's buffer, nor stdio's keeps the secret. A stream over
// a string (the tests) is written as usual. The bytes are the stream's own: UTF-8, an unpaired
// surrogate as '?'.
void WriteSecretLine(QTextStream& out, QStringView secret);
