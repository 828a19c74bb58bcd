// ls, show and find: reading the data file's groups and items.
#include <QCommandLineParser>

#include "cli/CliCommandList.h"
#include "cli/CliDataFile.h"
#include "cli/CliEscape.h"
#include "cli/CliGroupPath.h"
#include "cli/CliLookup.h"
#include "cli/SecretOutput.h"
#include "diag/FormatText.h"
#include "diag/SecureWipe.h"
#include "model/GroupSearch.h"
#include "model/Schema.h"

namespace {

const QString kCaseOption = QStringLiteral("case");
const QString kFromOption = QStringLiteral("from");

// What a secret value shows in a listing.
constexpr char16_t kMaskedValue[] = u"*****";

void LsOptions(QCommandLineParser& parser) {
    parser.addPositionalArgument(QStringLiteral("PATH"),
                                 QStringLiteral("Group to list (default /, the root group)."),
                                 QStringLiteral("[PATH]"));
    AddDataFileOptions(parser);
}

void ShowOptions(QCommandLineParser& parser) {
    parser.addPositionalArgument(QStringLiteral("PATH/ITEM"),
                                 QStringLiteral("Group path followed by /ITEM."));
    AddDataFileOptions(parser);
}

void FindOptions(QCommandLineParser& parser) {
    parser.addPositionalArgument(QStringLiteral("TEXT"), QStringLiteral("Part of a group name."));
    parser.addOption({kCaseOption, QStringLiteral("Distinguish upper and lower case.")});
    parser.addOption({kFromOption,
                      QStringLiteral("Search on from this group, as F3 does from the current "
                                     "group (default: from the root group)."),
                      QStringLiteral("PATH")});
    AddDataFileOptions(parser);
}

int RunLs(const QCommandLineParser& parser, CliIo& io) {
    const QStringList args = parser.positionalArguments();
    if (args.size() > 1) {
        CliError(io, QStringLiteral("ls takes at most one group path"));
        return kExitUsage;
    }
    const std::optional<QStringList> names =
        ParsePathArgument(args.isEmpty() ? QStringLiteral("/") : args.front(), io);
    if (!names) return kExitUsage;
    DocumentState state;
    const XmlNode group = LoadGroup(ResolveDataFiles(parser), io, *names, state);
    if (group.isNull()) return kExitFailed;

    // Document order, one line per element child: kind, name and, for items, the value.
    for (XmlNode child = group.firstChild(); !child.isNull(); child = child.nextSibling()) {
        if (!child.isElement()) continue;
        io.out << EscapeLine(child.name()) << '\t' << EscapeLine(schema::NameOf(child));
        if (schema::IsElementNamed(child, schema::kItem))
            io.out << '\t' << EscapeLine(child.text());
        else if (schema::IsElementNamed(child, schema::kSecret))
            io.out << '\t' << QString::fromUtf16(kMaskedValue);
        io.out << '\n';
    }
    return kExitOk;
}

int RunShow(const QCommandLineParser& parser, CliIo& io) {
    const std::optional<CliItemPath> path = ItemPathArgument(parser, io, "show");
    if (!path) return kExitUsage;
    DocumentState state;
    const std::optional<CliItem> found = LoadItem(ResolveDataFiles(parser), io, *path, state);
    if (!found) return kExitFailed;
    QString value = found->item.text();
    WriteSecretLine(io.out, value);
    Wipe(value);
    return kExitOk;
}

int RunFind(const QCommandLineParser& parser, CliIo& io) {
    const QStringList args = parser.positionalArguments();
    if (args.size() != 1 || args.front().isEmpty()) {
        CliError(io, QStringLiteral("find needs one non-empty TEXT"));
        return kExitUsage;
    }
    const QString text = args.front();
    // No group name holds such a character; searched for, it would match another one.
    if (!NamesStorable({text}, text, io)) return kExitUsage;
    std::optional<QStringList> from;
    if (parser.isSet(kFromOption)) {
        from = ParsePathArgument(parser.value(kFromOption), io);
        if (!from) return kExitUsage;
    }
    const CliDataFiles files = ResolveDataFiles(parser);
    DocumentState state;
    if (!LoadDataFileForCli(files, io, state)) return kExitFailed;
    XmlNode current;
    if (from) {
        current = GroupOrNotice(state, *from, io);
        if (current.isNull()) return kExitFailed;
    }

    // The same search as F3 in the desktop program, from the --from group as the current one.
    const XmlNode found =
        FindNextMatchingGroup(current, state.root, text, parser.isSet(kCaseOption));
    if (found.isNull()) {
        CliError(io, FormatText(u"「%s」は見つかりませんでした", {EscapeLine(text)}));
        return kExitFailed;
    }
    // The desktop program selects the found group in its tree by walking the labels down; a
    // group that walk cannot reach stays unselected there, and cannot be named here either.
    if (!SelectableByLabels(found, state.root)) {
        CliError(io, FormatText(u"%sが見つかりません", {EscapeLine(text)}));
        return kExitFailed;
    }
    const QStringList foundNames = GroupNamesOf(found, state.root);
    io.out << FormatGroupPath(foundNames) << '\n';
    return kExitOk;
}

}  // namespace

CliCommand LsCommand() {
    return {"ls", "ls [PATH] [--ini PATH] [--data PATH]",
            "List the groups and items of a group in document order (after the key); secret "
            "values show as *****.",
            LsOptions, RunLs};
}

CliCommand ShowCommand() {
    return {"show", "show PATH/ITEM [--ini PATH] [--data PATH]",
            "Print the value of one item, secret ones included (after the key).", ShowOptions,
            RunShow};
}

CliCommand FindCommand() {
    return {"find", "find TEXT [--case] [--from PATH] [--ini PATH] [--data PATH]",
            "Print the path of the next group whose name contains TEXT, as Ctrl+F and F3 find it "
            "(after the key).",
            FindOptions, RunFind};
}
