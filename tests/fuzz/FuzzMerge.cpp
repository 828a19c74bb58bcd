// The merge of two versions of a document over random documents and random edits on both sides.
// The input builds the base document (groups, items, secrets, other elements, namespaced
// elements, comments and text), then an edit script for ours and one for theirs (add, delete,
// change the value, change the kind, rename, move, change a group's other attribute). The merge
// must keep what either side added or changed, drop what one side deleted and the other left
// alone, keep secrets secret, and give back a side exactly where nothing else changed.

#include <QHash>
#include <QSet>
#include <vector>

#include "fuzz/FuzzTarget.h"
#include "model/DocumentMerge.h"
#include "model/Schema.h"
#include "storage/DataFileCodec.h"

namespace {

// Few names, so that siblings of one name are frequent.
const char16_t* const kNames[] = {u"a", u"b", u"c", u"", u"a（競合）", u"é'\""};
const char16_t* const kValues[] = {u"1", u"2", u"x y", u"<&>", u"", u"\u5024"};

// The base document the input describes: each step opens, closes or adds one node.
XmlDocument BuildBase(FuzzInput& in) {
    QString xml = QStringLiteral("<!--top--><group name=\"root\">");
    QStringList open;
    const int steps = in.byte() % 28;
    for (int step = 0; step < steps; ++step) {
        const std::uint8_t op = in.byte();
        const QString name = Escaped(in.pick(kNames));
        const QString value = Escaped(in.pick(kValues));
        switch (op % 8) {
            case 0:
            case 1:
                xml += op & 8 ? QStringLiteral("<group name=\"%1\" extra=\"%2\">").arg(name, value)
                              : QStringLiteral("<group name=\"%1\">").arg(name);
                open << QStringLiteral("group");
                break;
            case 2:
                if (!open.isEmpty()) xml += QStringLiteral("</%1>").arg(open.takeLast());
                break;
            case 3:
            case 4:
                xml += QStringLiteral("<%1 name=\"%2\">%3</%1>")
                           .arg(op & 8 ? u"secret" : u"item", name, value);
                break;
            case 5:
                xml += op & 8 ? QStringLiteral("<x name=\"%1\">%2</x>").arg(name, value)
                              : QStringLiteral(
                                    "<n:g xmlns:n=\"urn:n\" name=\"%1\"><n:i>%2</n:i>"
                                    "</n:g>")
                                    .arg(name, value);
                break;
            default:
                xml += op & 8 ? QStringLiteral("<!--%1-->").arg(value) : QStringLiteral("t");
                break;
        }
    }
    while (!open.isEmpty()) xml += QStringLiteral("</%1>").arg(open.takeLast());
    const XmlParseResult parsed = ParseDataText(xml + QStringLiteral("</group>"));
    FUZZ_CHECK(parsed.ok());
    return parsed.document;
}

// The document's data text, as the data file holds it.
QString FromData(const XmlDocument& document) {
    const QByteArray bytes = SerializeDocument(document);
    return DataTextOf(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                      static_cast<std::size_t>(bytes.size()));
}

XmlDocument Copy(const XmlDocument& document) {
    const XmlParseResult parsed = ParseDataText(FromData(document));
    FUZZ_CHECK(parsed.ok());
    return parsed.document;
}

// Every node below the document element, document order, by a walk with a stack.
std::vector<XmlNode> NodesBelowRoot(const XmlDocument& document) {
    std::vector<XmlNode> nodes, stack{document.documentElement()};
    while (!stack.empty()) {
        const XmlNode n = stack.back();
        stack.pop_back();
        nodes.push_back(n);
        std::vector<XmlNode> children;
        for (XmlNode c = n.isElement() ? n.firstChild() : XmlNode(); c; c = c.nextSibling())
            children.push_back(c);
        stack.insert(stack.end(), children.rbegin(), children.rend());
    }
    return nodes;
}

bool IsItem(const XmlNode& n) {
    return schema::IsElementNamed(n, schema::kItem) || schema::IsElementNamed(n, schema::kSecret);
}

bool Contains(const XmlNode& outer, XmlNode n) {
    for (; n; n = n.parent())
        if (n == outer) return true;
    return false;
}

XmlNode NewElement(const XmlNode& near, const char16_t* tag, const QString& name) {
    XmlNode e = near.document().createElement(QString::fromUtf16(tag));
    e.setAttribute(schema::kName, name);
    return e;
}

// Applies the edit script that the input describes for one side.
void Edit(const XmlDocument& document, FuzzInput& in) {
    const int edits = in.byte() % 8;
    for (int edit = 0; edit < edits; ++edit) {
        const std::uint8_t op = in.byte();
        const std::vector<XmlNode> nodes = NodesBelowRoot(document);
        const XmlNode target = nodes[in.byte() % nodes.size()];
        const XmlNode root = document.documentElement();
        const QString name = QString::fromUtf16(in.pick(kNames));
        const QString value = QString::fromUtf16(in.pick(kValues));
        const XmlNode parent = target.parent();
        switch (op % 8) {
            case 0:
            case 1:
                if (!schema::IsGroup(target)) break;
                if (op % 8 == 1) {
                    target.appendChild(NewElement(target, schema::kGroup, name));
                } else {
                    XmlNode item =
                        NewElement(target, op & 8 ? schema::kSecret : schema::kItem, name);
                    item.setText(value);
                    target.appendChild(item);
                }
                break;
            case 2:
                if (target != root) parent.removeChild(target);
                break;
            case 3:
                if (IsItem(target) || !target.isElement()) target.setText(value);
                break;
            case 4:
                if (IsItem(target)) {
                    XmlNode other =
                        NewElement(target,
                                   schema::IsElementNamed(target, schema::kItem) ? schema::kSecret
                                                                                 : schema::kItem,
                                   schema::NameOf(target));
                    other.setText(target.text());
                    parent.replaceChild(other, target);
                }
                break;
            case 5:
                if (target != root && target.isElement()) target.setAttribute(schema::kName, name);
                break;
            case 6: {
                const XmlNode into = nodes[in.byte() % nodes.size()];
                if (target != root && schema::IsGroup(into) && !Contains(target, into))
                    into.appendChild(target);
                break;
            }
            default:
                if (schema::IsGroup(target)) target.setAttribute(u"extra", value);
                break;
        }
    }
}

QString Strip(const QString& name) {
    return conflict_names::Stripped(name);
}

// What a document holds as the group tree shows it. Paths are the group names from the root
// group down; items are told by path and name ("where") and by path, name and value ("fact").
// Each maps to the same with conflict suffixes removed from the item's name.
struct Facts {
    QSet<QString> groups;
    QHash<QString, int> groupCount;
    QHash<QString, QString> items;         // fact
    QHash<QString, QString> secretWheres;  // where, for secrets
    QSet<QString> secretFacts;
    QSet<QString> strippedItems, strippedSecretWheres;
    QHash<QString, int> itemCount;     // where -> items there
    QHash<QString, QString> itemLook;  // where -> kind and value (of the last one)
    QHash<QString, int> stemCount;     // where up to conflict suffixes -> items there

    explicit Facts(const XmlDocument& document) {
        struct Open {
            XmlNode group;
            QString path;
        };
        std::vector<Open> stack{{document.documentElement(), QStringLiteral("/")}};
        if (!schema::IsGroup(stack.front().group)) return;
        while (!stack.empty()) {
            const Open open = stack.back();
            stack.pop_back();
            groups.insert(open.path);
            ++groupCount[open.path];
            for (XmlNode c = open.group.firstChild(); c; c = c.nextSibling()) {
                const QString name = schema::NameOf(c);
                if (schema::IsGroup(c)) {
                    stack.push_back({c, open.path + u'\x1F' + name});
                    continue;
                }
                if (!IsItem(c)) continue;
                const bool secret = schema::IsElementNamed(c, schema::kSecret);
                const QString where = open.path + u'\x1E' + name;
                const QString strippedWhere = open.path + u'\x1E' + Strip(name);
                const QString fact = where + u'\x1E' + c.text();
                items[fact] = strippedWhere + u'\x1E' + c.text();
                strippedItems.insert(items[fact]);
                if (secret) {
                    secretWheres[where] = strippedWhere;
                    secretFacts.insert(fact);
                    strippedSecretWheres.insert(strippedWhere);
                }
                ++itemCount[where];
                ++stemCount[strippedWhere];
                itemLook[where] = (secret ? u's' : u'i') + c.text();
            }
        }
    }
    // Whether every group on the way to path, path included, is the only one of its path.
    bool uniqueWay(const QString& path) const {
        for (qsizetype i = 1; i <= path.size(); ++i)
            if ((i == path.size() || path[i] == u'\x1F') && groupCount.value(path.left(i)) != 1)
                return false;
        return true;
    }
};

QByteArray Written(const XmlDocument& document) {
    return document.serialize(QStringLiteral("utf-16"));
}

// What `side` added or changed is in `result`, theirs' items perhaps under conflict names; an
// item it added as secret or made secret is secret there.
void CheckKept(const Facts& base, const Facts& side, const Facts& result, bool theirs) {
    for (const QString& group : side.groups)
        FUZZ_CHECK(base.groups.contains(group) || result.groups.contains(group));
    for (auto it = side.items.begin(); it != side.items.end(); ++it) {
        if (base.items.contains(it.key())) continue;
        FUZZ_CHECK(result.items.contains(it.key()) ||
                   (theirs && result.strippedItems.contains(it.value())));
    }
    for (auto it = side.secretWheres.begin(); it != side.secretWheres.end(); ++it) {
        bool changed = false;
        for (const QString& fact : side.secretFacts)
            changed |= fact.startsWith(it.key() + u'\x1E') && !base.secretFacts.contains(fact);
        if (!changed) continue;
        FUZZ_CHECK(result.secretWheres.contains(it.key()) ||
                   (theirs && result.strippedSecretWheres.contains(it.value())));
    }
}

// An item that `deleter` deleted from a group it kept and `keeper` left exactly as in the base is
// gone; only checked where names make it plain which item and group is which. A conflict copy
// may take the freed name with another value, so the check is for the deleted name and value,
// and skipped where the keeper holds other items that could give a copy that name.
void CheckDeleted(const Facts& base, const Facts& deleter, const Facts& keeper,
                  const Facts& result) {
    for (auto it = base.itemCount.begin(); it != base.itemCount.end(); ++it) {
        const QString& where = it.key();
        const QString path = where.left(where.indexOf(u'\x1E'));
        if (it.value() != 1 || deleter.itemCount.value(where) != 0 ||
            keeper.itemCount.value(where) != 1 ||
            keeper.itemLook.value(where) != base.itemLook.value(where) || !base.uniqueWay(path) ||
            !deleter.uniqueWay(path) || !keeper.uniqueWay(path))
            continue;
        const QString stem = path + u'\x1E' + Strip(where.mid(path.size() + 1));
        if (keeper.stemCount.value(stem) > 1) continue;
        FUZZ_CHECK(!result.items.contains(where + u'\x1E' + base.itemLook.value(where).mid(1)));
    }
}

void CheckConflicts(const MergeResult& merged, const Facts& result) {
    for (const MergeConflict& c : merged.conflicts) {
        FUZZ_CHECK(c.groupPath() == u'/' + c.groupNames().join(u'/'));
        QString path = QStringLiteral("/");
        for (const QString& name : c.groupNames()) path += u'\x1F' + name;
        FUZZ_CHECK(result.groups.contains(path));
    }
}

}  // namespace

ZETROVA_FUZZ_TARGET(merge) {
    FuzzInput in(data, size);
    const XmlDocument base = BuildBase(in);
    const XmlDocument ours = Copy(base);
    const XmlDocument theirs = Copy(base);
    Edit(ours, in);
    Edit(theirs, in);
    const QByteArray baseText = Written(base), oursText = Written(ours),
                     theirsText = Written(theirs);

    // A side is given back exactly where nothing else changed.
    FUZZ_CHECK(Written(MergeDocuments(base, ours, ours).document) == oursText);
    FUZZ_CHECK(Written(MergeDocuments(base, base, theirs).document) == theirsText);
    FUZZ_CHECK(Written(MergeDocuments(base, ours, base).document) == oursText);
    FUZZ_CHECK(Written(MergeDocuments(XmlDocument(), theirs, theirs).document) == theirsText);
    FUZZ_CHECK(MergeDocuments(base, ours, ours).conflicts.isEmpty());

    const Facts b(base), o(ours), t(theirs);
    const MergeResult three = MergeDocuments(base, ours, theirs);
    // The inputs stay as they were, and the result reads back as it was written.
    FUZZ_CHECK(Written(base) == baseText && Written(ours) == oursText &&
               Written(theirs) == theirsText);
    const QByteArray threeText = Written(three.document);
    FUZZ_CHECK(ParseDataText(FromData(three.document)).ok());
    const Facts r(three.document);
    CheckKept(b, o, r, false);
    CheckKept(b, t, r, true);
    CheckDeleted(b, o, t, r);
    CheckDeleted(b, t, o, r);
    CheckConflicts(three, r);

    // Two-way: nothing is deleted.
    const MergeResult two = MergeDocuments(XmlDocument(), ours, theirs);
    const Facts r2(two.document), none(schema::CreateNewDocument());
    CheckKept(none, o, r2, false);
    CheckKept(none, t, r2, true);
    CheckConflicts(two, r2);
    FUZZ_CHECK(Written(MergeDocuments(base, ours, theirs).document) == threeText);
    return 0;
}
