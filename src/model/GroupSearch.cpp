#include "model/GroupSearch.h"

#include "diag/XmlError.h"
#include "model/Schema.h"
#include "model/XPathForms.h"
#include "model/XmlText.h"

namespace {

QString FoldAscii(const QString& text) {
    QString folded = text;
    for (QChar& c : folded)
        if (c.unicode() >= u'a' && c.unicode() <= u'z') c = QChar(c.unicode() - (u'a' - u'A'));
    return folded;
}

// The first group among the nodes after `node`: other elements are passed over, a node that is
// not an element (or the end of the siblings) ends the look with a null handle.
XmlNode FollowingSiblingGroup(const XmlNode& node) {
    for (XmlNode next = node.nextSibling(); !next.isNull(); next = next.nextSibling()) {
        if (!next.isElement()) return {};
        if (schema::IsGroup(next)) return next;
    }
    return {};
}

bool GroupNameContains(const XmlNode& group, const QString& text, bool caseSensitive) {
    const std::optional<QString> name = group.attribute(schema::kName);
    return name && NameContains(*name, text, caseSensitive);
}

}  // namespace

bool NameContains(const QString& name, const QString& text, bool caseSensitive) {
    if (caseSensitive) return name.contains(text, Qt::CaseSensitive);
    return FoldAscii(name).contains(FoldAscii(text), Qt::CaseSensitive);
}

XmlNode FindGroupByName(const XmlNode& start, const QString& rawText, bool caseSensitive) {
    if (start.isNull()) throw XmlError(XmlError::kPointer);
    // Names are stored in their XML form; the search compares with the same form.
    const QString text = ToXmlCharacters(rawText);
    const QString below = xpath::GroupSearch(text, caseSensitive);
    XmlNode current = start;
    for (;;) {
        // Steps 2 and 3: the group itself, then the first match below it.
        if (GroupNameContains(current, text, caseSensitive)) return current;
        if (XmlNode found = current.selectSingleNode(below); !found.isNull()) return found;
        // Steps 4 and 5: the next sibling group, or climb until an ancestor has one.
        for (;;) {
            if (XmlNode sibling = FollowingSiblingGroup(current); !sibling.isNull()) {
                current = sibling;
                break;
            }
            XmlNode parent = current.parentElement();
            if (parent.isNull()) return current.selectSingleNode(below);  // wrap-around
            current = parent;
        }
    }
}

XmlNode FindGroupAfter(const XmlNode& current, const QString& rawText, bool caseSensitive) {
    if (current.isNull()) throw XmlError(XmlError::kPointer);
    const QString text = ToXmlCharacters(rawText);
    // The sibling and parent steps of the walk, begun at the current group itself.
    XmlNode at = current;
    XmlNode found;
    for (;;) {
        if (XmlNode sibling = FollowingSiblingGroup(at); !sibling.isNull()) {
            found = FindGroupByName(sibling, rawText, caseSensitive);
            break;
        }
        XmlNode parent = at.parentElement();
        if (parent.isNull()) {
            found = at.selectSingleNode(xpath::GroupSearch(text, caseSensitive));
            break;
        }
        at = parent;
    }
    if (!found.isNull()) return found;
    // Nothing below the document element matches, whichever way the walk went there: its own
    // name is the last candidate.
    while (!at.parentElement().isNull()) at = at.parentElement();
    return schema::IsGroup(at) && GroupNameContains(at, text, caseSensitive) ? at : XmlNode();
}

XmlNode FindNextMatchingGroup(const XmlNode& currentOrNull, const XmlNode& rootOrNull,
                              const QString& text, bool caseSensitive) {
    if (!currentOrNull.isNull()) return FindGroupAfter(currentOrNull, text, caseSensitive);
    if (rootOrNull.isNull()) return {};
    return FindGroupByName(rootOrNull, text, caseSensitive);
}
