#pragma once

#include <QString>
#include <QStringList>
#include <optional>

// Every XPath expression the program builds. Names, labels and search texts enter as XPath
// string literals: '...' when the text holds no apostrophe, "..." when it holds an apostrophe but
// no double quote, otherwise concat() of such pieces with "'" for each apostrophe. So any text,
// apostrophes included, can be looked up.
namespace xpath {

// The literal for `text` (stored form of the text, see ToXmlCharacters).
QString Literal(const QString& text);

// group[@name='X'] (the innermost step of a group path)
QString GroupStep(const QString& label);
// /group[@name='root']/group[@name='Bank'] for the labels {"root", "Bank"}, outermost first;
// an empty list gives /group[@name=''], which matches nothing.
QString BuildGroupPath(const QStringList& labelsTopDown);
// P/* : every element child of the group at path P, in document order.
QString GroupChildren(const QString& groupPath);
// child::*[@name='X'] (kind -1), item[@name='X'] (kind 0), secret[@name='X'] (kind 1); nullopt
// for any other kind.
std::optional<QString> ItemLookup(const QString& name, int kind);
// ./*[@name='X']
QString ChildLookup(const QString& name);
// .//group[contains(@name,'T')] when case is distinguished, else the same comparing with the 26
// ASCII letters folded to upper case by translate() on both sides.
QString GroupSearch(const QString& text, bool caseSensitive);

}  // namespace xpath
