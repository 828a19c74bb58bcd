#pragma once

#include <QString>

#include "model/Schema.h"
#include "model/XmlDocument.h"
#include "model/XmlNode.h"

// The rules of the item commands, decided here for the desktop program and zetrova-cli alike.
// Lookups run afresh on the document; XML engine failures raise XmlError.

// "\"%s\" はすでに存在します", formatted with the name: a paste or move into a group that already
// holds a child of that name, or a change to a name another child has.
inline constexpr char16_t kItemNameInUse[] = u"\"%s\" はすでに存在します";

// A value holding a character the data file cannot hold (IsStorableText).
inline constexpr char16_t kValueUnstorable[] =
    u"値に保存できない文字があります（タブと改行以外の制御文字、U+FFFE、U+FFFF、"
    u"対になっていないサロゲート）";

// An item's name and value as typed: refused (group_rules::kNameUnstorable, kValueUnstorable) when
// either holds a character the data file cannot hold, which storing would silently replace;
// nullptr when both may be stored.
const char16_t* RefuseItemText(const QString& name, const QString& value);

// A new, unattached `item` element (`secret` when secret is set) with the name attribute and the
// value as its text, both taken as typed.
XmlNode MakeItemNode(const XmlDocument& document, const QString& name, const QString& value,
                     bool secret);

// The kind of an item element: secret for `secret`, plain otherwise.
schema::ItemKind KindOf(const XmlNode& item);

// A secret item's value is revealed (for changing it, or on the clipboard) only after the key has
// been typed again; a plain item's value is shown anyway.
inline bool RevealNeedsKey(schema::ItemKind kind) {
    return kind == schema::kSecretItem;
}

// What changing the item edited of group to newName does.
enum class ItemChange {
    // The name stays, or names the edited item itself: the item is rewritten where it stands.
    InPlace,
    // Another child of the group already has the name: refused (kItemNameInUse), since every
    // lookup would then find only the first of the two.
    NameInUse,
    // The group holds no child of that name: a new name.
    NewName,
};
ItemChange ClassifyItemChange(const XmlNode& group, const XmlNode& edited, const QString& newName);

// Whether target already holds a child called name, of any kind (sub-groups included): an item
// cannot be pasted or moved there (kItemNameInUse).
bool HoldsChildNamed(const XmlNode& target, const QString& name);

// Whether node is still the child of source that its name finds: the first paste of a pending
// move takes it out of source then, and only then (another item of that name made in source after
// an earlier paste stays).
bool StillStandsIn(const XmlNode& source, const XmlNode& node);
