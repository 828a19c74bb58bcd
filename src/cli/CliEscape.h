#pragma once

#include <QString>
#include <QStringView>

// How zetrova-cli writes names and values on one line: a backslash as \\, tab, carriage return
// and line feed as \t, \r and \n, every other C0 control character and DEL (U+0000 to U+001F,
// U+007F) as \xHH, the C1 control characters (U+0080 to U+009F) as \u{HH}, with upper-case
// hexadecimal digits; everything else as it is. A name or value can then neither break the line
// nor send the terminal a control sequence.
void AppendEscaped(QChar c, QString& out);
QString EscapeLine(QStringView text);

// Reads back the escape that starts at text[i] (a backslash) and appends its character: \\, \t,
// \r, \n, \xHH (two hexadecimal digits) or \u{H...} (one to six, a code point that is no
// surrogate). On success i is the index of the escape's last character; false, nothing appended,
// for any other text after the backslash.
bool ReadEscape(QStringView text, qsizetype& i, QString& out);
