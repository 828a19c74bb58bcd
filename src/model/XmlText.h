#pragma once

#include <QString>
#include <QStringView>

// Replaces every character that an XML 1.0 document cannot hold (control characters other than
// tab, line feed and carriage return, unpaired surrogates, U+FFFE and U+FFFF) by U+FFFD. Names
// and values are stored in this form, so that a saved document always loads again, and lookups
// build their expressions from the same form so that they find what was stored.
QString ToXmlCharacters(const QString& text);

// Whether an XML document can hold text as it is: no character that ToXmlCharacters replaces. A
// name or value that fails this is refused where it is typed (the commands' rules), since stored
// it would change, and two different names could become one.
bool IsStorableText(QStringView text);
