// mkdir, rmdir and mv: changing the groups of the data file, with the group commands' rules.
#include <QCommandLineParser>

#include "cli/CliCommandList.h"
#include "cli/CliDataFile.h"
#include "cli/CliEscape.h"
#include "cli/CliGroupPath.h"
#include "cli/CliInput.h"
#include "cli/CliLookup.h"
#include "diag/FormatText.h"
#include "items/ItemRules.h"
#include "model/GroupRules.h"
#include "model/Schema.h"

namespace {

const QString kParentsOption = QStringLiteral("parents");
const QString kRecursiveOption = QStringLiteral("recursive");

// Writes the refusal of a group rule; true when there was one.
bool Refused(CliIo& io, const char16_t* refusal) {
    if (refusal) CliError(io, QString::fromUtf16(refusal));
    return refusal != nullptr;
}

// The one group path argument of the command; nullopt after the usage message.
std::optional<QStringList> OneGroupPath(const QCommandLineParser& parser, CliIo& io,
                                        const char* command) {
    const QStringList args = parser.positionalArguments();
    if (args.size() != 1) {
        CliError(io, QStringLiteral("%1 needs one group PATH").arg(QLatin1String(command)));
        return std::nullopt;
    }
    return ParsePathArgument(args.front(), io);
}

void MkdirOptions(QCommandLineParser& parser) {
    parser.addPositionalArgument(QStringLiteral("PATH"), QStringLiteral("The group to add."));
    parser.addOption({{QStringLiteral("p"), kParentsOption},
                      QStringLiteral("Add missing groups on the way too; a group that is there "
                                     "already is no error.")});
    AddDataFileOptions(parser);
}

// Adds the groups names[from..] below group, each checked as グループ › 追加 checks a name.
ChangeResult AddGroups(XmlNode group, const QStringList& names, qsizetype from, CliIo& io) {
    for (qsizetype i = from; i < names.size(); ++i) {
        if (Refused(io, group_rules::RefuseNewGroupName(group, names[i])))
            return ChangeResult::Refused;
        group = group_rules::AppendNewGroup(group, names[i]);
    }
    return ChangeResult::Changed;
}

int RunMkdir(const QCommandLineParser& parser, CliIo& io) {
    const std::optional<QStringList> names = OneGroupPath(parser, io, "mkdir");
    if (!names) return kExitUsage;
    const bool parents = parser.isSet(kParentsOption);
    return ChangeDataFile(ResolveDataFiles(parser), io, [&](DocumentState& state) {
        if (!parents) {
            if (names->isEmpty()) {
                Refused(io, group_rules::kRootUnchangeable);
                return ChangeResult::Refused;
            }
            const XmlNode parent = GroupOrNotice(state, names->mid(0, names->size() - 1), io);
            if (parent.isNull()) return ChangeResult::Refused;
            return AddGroups(parent, *names, names->size() - 1, io);
        }
        // The longest part of the path that is there already, as the lookups find it.
        qsizetype there = 0;
        const XmlNode group = ResolveLongestGroupPath(state, *names, there);
        if (!group.isNull()) {
            if (there == names->size()) return ChangeResult::Unchanged;
            return AddGroups(group, *names, there, io);
        }
        CliError(io, QStringLiteral("グループが見つかりません"));
        return ChangeResult::Refused;
    });
}

void RmdirOptions(QCommandLineParser& parser) {
    parser.addPositionalArgument(QStringLiteral("PATH"), QStringLiteral("The group to delete."));
    parser.addOption({{QStringLiteral("r"), kRecursiveOption},
                      QStringLiteral("Delete a group that is not empty, with everything below "
                                     "it.")});
    AddDataFileOptions(parser);
}

bool HasElementChild(const XmlNode& group) {
    for (XmlNode c = group.firstChild(); !c.isNull(); c = c.nextSibling())
        if (c.isElement()) return true;
    return false;
}

int RunRmdir(const QCommandLineParser& parser, CliIo& io) {
    const std::optional<QStringList> names = OneGroupPath(parser, io, "rmdir");
    if (!names) return kExitUsage;
    const bool recursive = parser.isSet(kRecursiveOption);
    return ChangeDataFile(ResolveDataFiles(parser), io, [&](DocumentState& state) {
        const XmlNode group = GroupOrNotice(state, *names, io);
        if (group.isNull()) return ChangeResult::Refused;
        if (Refused(io, group_rules::RefuseChangeOf(group, state.root)))
            return ChangeResult::Refused;
        if (!recursive && HasElementChild(group)) {
            CliError(io, FormatText(u"%sは空ではありません。中のものごと削除するには rmdir "
                                    u"--recursive を使います",
                                    {FormatGroupPath(*names)}));
            return ChangeResult::Refused;
        }
        group.parent().removeChild(group);
        return ChangeResult::Changed;
    });
}

void MvOptions(QCommandLineParser& parser) {
    parser.addPositionalArgument(QStringLiteral("SOURCE"),
                                 QStringLiteral("PATH/ITEM of an item, or PATH of a group (an "
                                                "item of that name is taken first)."));
    parser.addPositionalArgument(QStringLiteral("GROUP"),
                                 QStringLiteral("The group to move it into."));
    AddDataFileOptions(parser);
}

int RunMv(const QCommandLineParser& parser, CliIo& io) {
    const QStringList args = parser.positionalArguments();
    if (args.size() != 2) {
        CliError(io, QStringLiteral("mv needs a SOURCE and a GROUP"));
        return kExitUsage;
    }
    const std::optional<QStringList> source = ParsePathArgument(args[0], io);
    if (!source) return kExitUsage;
    const std::optional<QStringList> destination = ParsePathArgument(args[1], io);
    if (!destination) return kExitUsage;
    return ChangeDataFile(ResolveDataFiles(parser), io, [&](DocumentState& state) {
        const XmlNode target = GroupOrNotice(state, *destination, io);
        if (target.isNull()) return ChangeResult::Refused;
        // An item, as 項目 › 移動 and 貼り付け move it.
        if (!source->isEmpty()) {
            const XmlNode holder = ResolveGroupPath(state, source->mid(0, source->size() - 1));
            const XmlNode item =
                holder.isNull() ? XmlNode() : FindCliItem(holder, source->back(), io, false);
            if (!item.isNull()) {
                const QString name = schema::NameOf(item);
                if (HoldsChildNamed(target, name)) {
                    CliError(io, FormatText(kItemNameInUse, {EscapeLine(name)}));
                    return ChangeResult::Refused;
                }
                target.appendChild(item);
                return ChangeResult::Changed;
            }
        }
        // A group with everything below it, as グループ › 移動 and 貼り付け move it.
        const XmlNode group = GroupOrNotice(state, *source, io);
        if (group.isNull()) return ChangeResult::Refused;
        if (Refused(io, group_rules::RefuseChangeOf(group, state.root)) ||
            Refused(io, group_rules::RefusePaste(group, target, true)))
            return ChangeResult::Refused;
        target.appendChild(group);
        return ChangeResult::Changed;
    });
}

}  // namespace

CliCommand MkdirCommand() {
    return {"mkdir", "mkdir PATH [--parents] [--ini PATH] [--data PATH]",
            "Add a group, as グループ › 追加 does (after the key).", MkdirOptions, RunMkdir};
}

CliCommand RmdirCommand() {
    return {"rmdir", "rmdir PATH [--recursive] [--ini PATH] [--data PATH]",
            "Delete a group; one that is not empty only with --recursive (after the key).",
            RmdirOptions, RunRmdir};
}

CliCommand MvCommand() {
    return {"mv", "mv PATH/ITEM GROUP | mv PATH GROUP [--ini PATH] [--data PATH]",
            "Move an item, or a group with everything below it, into GROUP (after the key).",
            MvOptions, RunMv};
}
