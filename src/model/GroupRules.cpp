#include "model/GroupRules.h"

#include <optional>

#include "diag/XmlError.h"
#include "model/Lookups.h"
#include "model/Schema.h"
#include "model/XmlText.h"

namespace group_rules {

QString RequiredName(const XmlNode& element) {
    std::optional<QString> name = element.attribute(schema::kName);
    if (!name) throw XmlError(XmlError::kPointer);
    return *name;
}

bool IsInBranchOf(XmlNode node, const XmlNode& group) {
    for (; !node.isNull(); node = node.parentElement())
        if (node == group) return true;
    return false;
}

const char16_t* RefuseChangeOf(const XmlNode& group, const XmlNode& root) {
    return group == root ? kRootUnchangeable : nullptr;
}

const char16_t* RefuseNewGroupName(const XmlNode& parent, const QString& name) {
    if (name.isEmpty()) return kNameEmpty;
    if (!IsStorableText(name)) return kNameUnstorable;
    if (!FindChild(parent, name).isNull()) return kNameInUse;
    return nullptr;
}

const char16_t* RefuseRename(const XmlNode& group, const QString& name) {
    if (!IsStorableText(name)) return kNameUnstorable;
    const XmlNode parent = group.parentElement();
    const XmlNode holder = parent.isNull() ? XmlNode() : FindChild(parent, name);
    return !holder.isNull() && holder != group ? kNameInUse : nullptr;
}

const char16_t* RefusePaste(const XmlNode& marked, const XmlNode& target, bool move) {
    if (!FindChild(target, RequiredName(marked)).isNull()) return kNameInUse;
    if (move && IsInBranchOf(target, marked)) return kMoveBelowItself;
    return nullptr;
}

XmlNode AppendNewGroup(const XmlNode& parent, const QString& name) {
    XmlNode group = parent.document().createElement(schema::kGroup);
    group.setAttribute(schema::kName, name);
    return parent.appendChild(group);
}

}  // namespace group_rules
