#include "model/Lookups.h"

#include "diag/MessageBoxes.h"
#include "diag/XmlError.h"
#include "model/Schema.h"
#include "model/XPathForms.h"

XmlNode FindGroupByPath(const XmlDocument& doc, const QString& groupPath, bool report,
                        QObject* owner) {
    XmlNode group;
    if (!doc.isNull()) group = doc.selectSingleNode(groupPath);
    if (group.isNull() && report) Notice(owner, u"グループが見つかりません");
    return group;
}

XmlNode FindGroupByLabels(const XmlDocument& doc, const QStringList& labelsTopDown, bool report,
                          QObject* owner) {
    XmlNode group;
    if (!doc.isNull()) {
        group = doc.selectAttributeChain(
            schema::kGroup, schema::kName,
            labelsTopDown.isEmpty() ? QStringList{QString()} : labelsTopDown);
    }
    if (group.isNull() && report) Notice(owner, u"グループが見つかりません");
    return group;
}

XmlNode FindDeepestGroupByLabels(const XmlDocument& doc, const QStringList& labelsTopDown,
                                 qsizetype& matched) {
    matched = 0;
    if (doc.isNull() || labelsTopDown.isEmpty()) return {};
    return doc.selectAttributeChain(schema::kGroup, schema::kName, labelsTopDown, &matched);
}

XmlNode FindItem(const XmlNode& group, const QString& name, schema::ItemKind kind, QObject* owner) {
    const std::optional<QString> expression = xpath::ItemLookup(name, kind);
    if (!expression) {
        Notice(owner, u"未知の項目");
        throw XmlError(XmlError::kPointer);
    }
    if (group.isNull()) throw XmlError(XmlError::kPointer);
    XmlNode item = group.selectSingleNode(*expression);
    if (item.isNull() && kind != schema::kAnyKind) Notice(owner, u"項目が見つかりません");
    return item;
}

XmlNode FindChild(const XmlNode& group, const QString& name) {
    if (group.isNull()) throw XmlError(XmlError::kPointer);
    return group.selectSingleNode(xpath::ChildLookup(name));
}
