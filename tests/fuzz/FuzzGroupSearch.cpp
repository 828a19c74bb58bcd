// The group search and the name lookups over random documents. The input builds a document
// (groups with and without names, items, elements of other names and namespaces, text and
// comments between them) and chooses a search text. The XPath forms must agree with a plain walk
// of the tree, and every search finds a group containing the text whenever one exists.

#include <functional>

#include "fuzz/FuzzTarget.h"
#include "model/GroupSearch.h"
#include "model/Lookups.h"
#include "model/Schema.h"
#include "model/XPathForms.h"
#include "model/XmlText.h"
#include "storage/DataFileCodec.h"

namespace {

// Names and search texts with ASCII and other case, quotes of both kinds, and characters that
// XML cannot hold (stored and searched as U+FFFD). No empty text: the commands never search for
// it, and XPath's contains() would find groups without a name with it.
const char16_t* const kNames[] = {u"",        u"a", u"A",    u"ab",     u"mail",
                                  u"MAILbox", u"'", u"\"",   u"a'b\"",  u"\uFF41",
                                  u"é",       u"É", u"root", u"\uFFFD", u"x y"};
const char16_t* const kTexts[] = {u"a",    u"A",      u"B", u"AIL",    u"'", u"\"",
                                  u"'b\"", u"\uFF21", u"é", u"\u0001", u"o", u"x y"};

// The document text the input describes: each byte opens, closes or adds one node.
QString BuildDocument(FuzzInput& in) {
    QString xml = QStringLiteral("<group name=\"root\">");
    QStringList open;
    for (int steps = 0; !in.atEnd() && steps < 48; ++steps) {
        const std::uint8_t op = in.byte();
        const QString name = Escaped(in.pick(kNames));
        switch (op % 8) {
            case 0:
            case 1:
                xml += QStringLiteral("<group name=\"%1\">").arg(name);
                open << QStringLiteral("group");
                break;
            case 2:
                if (!open.isEmpty()) xml += QStringLiteral("</%1>").arg(open.takeLast());
                break;
            case 3:
                xml += QStringLiteral("<%1 name=\"%2\">v</%1>")
                           .arg(op & 8 ? u"secret" : u"item", name);
                break;
            case 4:
                xml += QStringLiteral("<group>");
                open << QStringLiteral("group");
                break;
            case 5:
                xml += op & 8 ? QStringLiteral("<x name=\"%1\">").arg(name)
                              : QStringLiteral("<n:group xmlns:n=\"urn:n\" name=\"%1\">").arg(name);
                open << (op & 8 ? QStringLiteral("x") : QStringLiteral("n:group"));
                break;
            default:
                xml += op & 8 ? QStringLiteral("<!--c-->") : QStringLiteral("t");
                break;
        }
    }
    while (!open.isEmpty()) xml += QStringLiteral("</%1>").arg(open.takeLast());
    return xml + QStringLiteral("</group>");
}

// Every node below `top` in document order, by walking the tree.
void ForEachBelow(const XmlNode& top, const std::function<void(const XmlNode&)>& visit) {
    for (XmlNode child = top.firstChild(); child; child = child.nextSibling()) {
        visit(child);
        ForEachBelow(child, visit);
    }
}

}  // namespace

ZETROVA_FUZZ_TARGET(group_search) {
    FuzzInput in(data, size);
    const std::uint8_t choice = in.byte();
    const QString text = QString::fromUtf16(in.pick(kTexts));
    const bool caseSensitive = choice & 1;
    const XmlParseResult parsed = ParseDataText(BuildDocument(in));
    FUZZ_CHECK(parsed.ok());
    const XmlNode root = parsed.document.documentElement();

    const QString stored = ToXmlCharacters(text);
    const auto matches = [&](const XmlNode& n) {
        return schema::IsGroup(n) && n.attribute(schema::kName) &&
               NameContains(schema::NameOf(n), stored, caseSensitive);
    };
    QList<XmlNode> groups{root};
    ForEachBelow(root, [&](const XmlNode& n) {
        if (schema::IsGroup(n)) groups << n;
    });
    // The root group's own name counts only where the search starts at it or wraps around to it.
    const bool anyBelowRoot = std::any_of(groups.begin() + 1, groups.end(), matches);
    const bool anyMatch = anyBelowRoot || matches(root);

    const QString search = xpath::GroupSearch(stored, caseSensitive);
    for (const XmlNode& group : groups) {
        QList<XmlNode> below;
        ForEachBelow(group, [&](const XmlNode& n) {
            if (matches(n)) below << n;
        });
        FUZZ_CHECK(group.selectNodes(search) == below);

        const XmlNode byName = FindGroupByName(group, text, caseSensitive);
        FUZZ_CHECK(byName.isNull() ? !anyBelowRoot && !matches(group) : matches(byName));
        FUZZ_CHECK(matches(group) ? byName == group : true);
        const XmlNode after = FindGroupAfter(group, text, caseSensitive);
        FUZZ_CHECK(after.isNull() ? !anyMatch : matches(after));

        // The child lookups find the first element child of a name, whatever its kind.
        for (XmlNode child = group.firstChild(); child; child = child.nextSibling()) {
            const std::optional<QString> name = child.attribute(schema::kName);
            if (!child.isElement() || !name) continue;
            XmlNode first = group.firstChild();
            while (!(first.isElement() && first.attribute(schema::kName) == name))
                first = first.nextSibling();
            FUZZ_CHECK(FindChild(group, *name) == first);
        }
    }
    return 0;
}
