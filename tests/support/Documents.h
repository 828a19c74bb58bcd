#pragma once

#include <QByteArray>
#include <QString>
#include <vector>

#include "model/Schema.h"
#include "model/XmlDocument.h"

// Test documents, built as the program builds them: each element appended as the last child of
// its parent, with its name attribute and its value as text.

// Appends an element of that tag (schema::kGroup, kItem or kSecret) named name; a value that is
// not empty becomes its text.
XmlNode Add(const XmlNode& parent, const char16_t* tag, const QString& name,
            const QString& value = {});
XmlNode AddGroup(const XmlNode& parent, const QString& name);
// An item, with secret a secret item, whose text is value even when it is empty.
XmlNode AddItem(const XmlNode& parent, const QString& name, const QString& value,
                bool secret = false);

// One element of a document written out as a tree: a group with what it holds, or an item.
struct Entry {
    const char16_t* tag;
    QString name;
    QString value;
    std::vector<Entry> children;
};
inline Entry Group(const QString& name, std::vector<Entry> children = {}) {
    return {schema::kGroup, name, {}, std::move(children)};
}
inline Entry Item(const QString& name, const QString& value) {
    return {schema::kItem, name, value, {}};
}
inline Entry Secret(const QString& name, const QString& value) {
    return {schema::kSecret, name, value, {}};
}
// A new document whose root group holds the entries in their order, each added with Add.
XmlDocument BuildDocument(const std::vector<Entry>& entries);

// A large document: 10 groups under the root group, 9 below each of them and 10 below each of
// those, 1,000 groups named group0 to group999 in document order (the first one firstName), each
// holding 100 items item000000 to item099999 valued "value <n> パスワード", one in ten secret.
XmlDocument ThousandGroupsOfItems(const QString& firstName = QStringLiteral("group0"));

// The data text of groups nested depth levels below the root group, named g1 (under the root) to
// g<depth>, the deepest holding the item x.
QString NestedGroups(int depth);

// The data file's text is UTF-16 in little-endian order.
QString FromUtf16Le(const QByteArray& bytes);
QByteArray ToUtf16Le(const QString& text);
