#pragma once

#include <QString>
#include <QStringView>

// How zetrova-cli writes names, values and every other text of the user's on one line: a
// backslash as \\, tab, carriage return and line feed as \t, \r and \n, every other C0 control
// character and DEL (U+0000 to U+001F, U+007F) as \xHH, the C1 control characters (U+0080 to
// U+009F) and the bidirectional embeddings, overrides and isolates (U+202A to U+202E, U+2066 to
// U+2069) as \u{H...}, with upper-case hexadecimal digits; everything else as it is. A text can
// then neither break the line, nor send the terminal a control sequence, nor reorder what a
// person reads around it.
void AppendEscaped(QChar c, QString& out);
QString EscapeLine(QStringView text);

// The same escapes except for the backslash, which stays as it is: for a whole message whose
// fixed text may hold backslashes of its own. Its user texts should have been escaped with
// EscapeLine already (this changes nothing in them then); whatever was not cannot reach the
// terminal as a control character.
QString EscapeControls(QStringView text);

// Reads back the escape that starts at text[i] (a backslash) and appends its character: \\, \t,
// \r, \n, \xHH (two hexadecimal digits) or \u{H...} (one to six, a code point that is no
// surrogate). On success i is the index of the escape's last character; false, nothing appended,
// for any other text after the backslash.
bool ReadEscape(QStringView text, qsizetype& i, QString& out);
