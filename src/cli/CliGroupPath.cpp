#include "cli/CliGroupPath.h"

#include "cli/CliEscape.h"
#include "model/Lookups.h"
#include "model/Schema.h"

std::optional<QStringList> ParseGroupPath(const QString& path) {
    if (!path.startsWith(u'/')) return std::nullopt;
    if (path.size() == 1) return QStringList();
    QStringList names;
    QString name;
    for (qsizetype i = 1; i < path.size(); ++i) {
        const QChar c = path.at(i);
        if (c == u'\\') {
            if (i + 1 < path.size() && path.at(i + 1) == u'/') {
                name += u'/';
                ++i;
            } else if (!ReadEscape(path, i, name)) {
                return std::nullopt;
            }
        } else if (c == u'/') {
            names.append(name);
            name.clear();
        } else {
            name += c;
        }
    }
    names.append(name);
    return names;
}

QString FormatGroupPath(const QStringList& names) {
    if (names.isEmpty()) return QStringLiteral("/");
    QString path;
    for (const QString& name : names) {
        path += u'/';
        for (QChar c : name) {
            if (c == u'/') path += u'\\';
            AppendEscaped(c, path);
        }
    }
    return path;
}

XmlNode ResolveGroupPath(const DocumentState& state, const QStringList& names) {
    if (state.root.isNull()) return {};
    QStringList labels{schema::NameOf(state.root)};
    labels += names;
    return FindGroupByLabels(state.document, labels, false);
}

XmlNode ResolveLongestGroupPath(const DocumentState& state, const QStringList& names,
                                qsizetype& found) {
    found = 0;
    if (state.root.isNull()) return {};
    QStringList labels{schema::NameOf(state.root)};
    labels += names;
    qsizetype matched = 0;
    const XmlNode group = FindDeepestGroupByLabels(state.document, labels, matched);
    found = matched > 0 ? matched - 1 : 0;
    return group;
}

QStringList GroupNamesOf(const XmlNode& group, const XmlNode& root) {
    QStringList names;
    for (XmlNode n = group; !n.isNull() && n != root; n = n.parentElement())
        names.prepend(schema::NameOf(n));
    return names;
}

bool SelectableByLabels(const XmlNode& group, const XmlNode& root) {
    if (!schema::IsGroup(root) || schema::NameOf(root).isEmpty()) return false;
    for (XmlNode g = group; g != root; g = g.parentElement()) {
        if (g.isNull() || !schema::IsGroup(g)) return false;
        const QString name = schema::NameOf(g);
        if (name.isEmpty()) return false;
        XmlNode first = g.parentElement().firstChild();
        while (!first.isNull() && !(schema::IsGroup(first) && schema::NameOf(first) == name))
            first = first.nextSibling();
        if (first != g) return false;
    }
    return true;
}
