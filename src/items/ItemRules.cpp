#include "items/ItemRules.h"

#include "model/GroupRules.h"
#include "model/Lookups.h"
#include "model/XmlText.h"

const char16_t* RefuseItemText(const QString& name, const QString& value) {
    if (!IsStorableText(name)) return group_rules::kNameUnstorable;
    if (!IsStorableText(value)) return kValueUnstorable;
    return nullptr;
}

XmlNode MakeItemNode(const XmlDocument& document, const QString& name, const QString& value,
                     bool secret) {
    XmlNode element = document.createElement(secret ? schema::kSecret : schema::kItem);
    element.setAttribute(schema::kName, name);
    element.setText(value);
    return element;
}

schema::ItemKind KindOf(const XmlNode& item) {
    return schema::IsElementNamed(item, schema::kSecret) ? schema::kSecretItem : schema::kPlainItem;
}

ItemChange ClassifyItemChange(const XmlNode& group, const XmlNode& edited, const QString& newName) {
    const XmlNode existing = FindItem(group, newName, schema::kAnyKind);
    if (existing.isNull()) return ItemChange::NewName;
    // A same-named child before the edited one (of another kind) is found first: the name still
    // belongs to the edited item.
    if (existing != edited && schema::NameOf(existing) != schema::NameOf(edited))
        return ItemChange::NameInUse;
    return ItemChange::InPlace;
}

bool HoldsChildNamed(const XmlNode& target, const QString& name) {
    return !FindItem(target, name, schema::kAnyKind).isNull();
}

bool StillStandsIn(const XmlNode& source, const XmlNode& node) {
    return !source.isNull() && FindItem(source, schema::NameOf(node), schema::kAnyKind) == node;
}
