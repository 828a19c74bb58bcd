#include "cli/CliLookup.h"

#include "cli/CliError.h"
#include "cli/CliEscape.h"
#include "cli/CliGroupPath.h"
#include "diag/FormatText.h"
#include "model/GroupRules.h"
#include "model/Schema.h"
#include "model/XmlText.h"

std::optional<QStringList> ParsePathArgument(const QString& path, CliIo& io) {
    std::optional<QStringList> names = ParseGroupPath(path);
    if (!names) {
        CliError(io, FormatText(u"invalid path %s: write /GROUP/GROUP, with \\/ and \\\\ inside "
                                u"names",
                                {EscapeLine(path)}));
        return names;
    }
    // No group or item can have such a name; looked up, it would find another one.
    if (!NamesStorable(*names, path, io)) return std::nullopt;
    return names;
}

bool NamesStorable(const QStringList& names, const QString& typed, CliIo& io) {
    for (const QString& name : names) {
        if (IsStorableText(name)) continue;
        CliError(io, FormatText(u"%s: %s", {group_rules::kNameUnstorable, EscapeLine(typed)}));
        return false;
    }
    return true;
}

std::optional<CliItemPath> ParseItemPath(const QString& argument, CliIo& io, const char* command) {
    std::optional<QStringList> names = ParsePathArgument(argument, io);
    if (!names) return std::nullopt;
    if (names->isEmpty()) {
        CliError(io, QStringLiteral("%1 needs an item name after the group path")
                         .arg(QLatin1String(command)));
        return std::nullopt;
    }
    const QString item = names->takeLast();
    return CliItemPath{*names, item};
}

std::optional<CliItemPath> ItemPathArgument(const QCommandLineParser& parser, CliIo& io,
                                            const char* command) {
    const QStringList args = parser.positionalArguments();
    if (args.size() != 1) {
        CliError(io, QStringLiteral("%1 needs one PATH/ITEM").arg(QLatin1String(command)));
        return std::nullopt;
    }
    return ParseItemPath(args.front(), io, command);
}

XmlNode GroupOrNotice(const DocumentState& state, const QStringList& names, CliIo& io) {
    XmlNode group = ResolveGroupPath(state, names);
    if (group.isNull()) CliError(io, QStringLiteral("グループが見つかりません"));
    return group;
}

XmlNode FindCliItem(const XmlNode& group, const QString& name, CliIo& io, bool report) {
    for (XmlNode child = group.firstChild(); !child.isNull(); child = child.nextSibling()) {
        const bool item = schema::IsElementNamed(child, schema::kItem) ||
                          schema::IsElementNamed(child, schema::kSecret);
        if (item && child.attribute(schema::kName) == name) return child;
    }
    if (report) CliError(io, QStringLiteral("項目が見つかりません"));
    return {};
}

std::optional<CliItem> FindItemAt(const DocumentState& state, const CliItemPath& path, CliIo& io) {
    const XmlNode group = GroupOrNotice(state, path.groups, io);
    if (group.isNull()) return std::nullopt;
    const XmlNode item = FindCliItem(group, path.item, io);
    if (item.isNull()) return std::nullopt;
    return CliItem{group, item};
}

XmlNode LoadGroup(const CliDataFiles& files, CliIo& io, const QStringList& names,
                  DocumentState& state) {
    if (!LoadDataFileForCli(files, io, state)) return {};
    return GroupOrNotice(state, names, io);
}

std::optional<CliItem> LoadItem(const CliDataFiles& files, CliIo& io, const CliItemPath& path,
                                DocumentState& state) {
    if (!LoadDataFileForCli(files, io, state)) return std::nullopt;
    return FindItemAt(state, path, io);
}
