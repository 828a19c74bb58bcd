#pragma once

#include <QString>

#include "model/XmlDocument.h"
#include "model/XmlNode.h"

// The document's schema: groups nest and hold items; an item's kind is its element name and its
// value is the element's text. The document element is the root group, named "root".
namespace schema {

inline constexpr char16_t kGroup[] = u"group";
inline constexpr char16_t kItem[] = u"item";
inline constexpr char16_t kSecret[] = u"secret";
inline constexpr char16_t kName[] = u"name";
inline constexpr char16_t kRootName[] = u"root";

// Item kinds as the lookups number them.
enum ItemKind : int {
    kAnyKind = -1,    // any element child, sub-groups included
    kPlainItem = 0,   // item
    kSecretItem = 1,  // secret
};

// True for an element called `name` without a namespace: what the XPath forms match.
bool IsElementNamed(const XmlNode& node, QStringView name);
inline bool IsGroup(const XmlNode& node) {
    return IsElementNamed(node, kGroup);
}

// A group's or item's name; an empty text when the element has no name attribute.
QString NameOf(const XmlNode& element);

// A new document holding only the root group: <group name="root"/>.
XmlDocument CreateNewDocument();

}  // namespace schema
