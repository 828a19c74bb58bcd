// versions, diff and restore: the earlier versions of the data file kept on this machine.
#include <QCommandLineParser>
#include <QDateTime>
#include <QFileInfo>
#include <optional>

#include "cli/CliCommandList.h"
#include "cli/CliDataFile.h"
#include "cli/CliEscape.h"
#include "cli/CliGroupPath.h"
#include "diag/FormatText.h"
#include "diag/SecureWipe.h"
#include "model/DocumentMerge.h"
#include "model/Schema.h"
#include "storage/DataFile.h"
#include "storage/DataFileLock.h"
#include "storage/DataFileVersions.h"
#include "storage/RegularFileRead.h"

namespace {

constexpr char16_t kNoSuchVersion[] = u"版%sはありません（zetrova-cli versionsで一覧できます）";
constexpr char16_t kVersionUnreadable[] = u"版%sを読み込めませんでした";
constexpr char16_t kVersionOtherKey[] = u"版%sはこのキーで開けません";
constexpr char16_t kNotInEither[] = u"%sは版%sにもデータファイルにもありません";
constexpr char16_t kRestoreUnchanged[] = u"%sは版%sと同じです。変更しませんでした";

void VersionsOptions(QCommandLineParser& parser) {
    AddDataFileOptions(parser);
}

void DiffOptions(QCommandLineParser& parser) {
    parser.addPositionalArgument(QStringLiteral("N"),
                                 QStringLiteral("Version number, as versions lists it."));
    AddDataFileOptions(parser);
}

void RestoreOptions(QCommandLineParser& parser) {
    parser.addPositionalArgument(QStringLiteral("N"),
                                 QStringLiteral("Version number, as versions lists it."));
    parser.addPositionalArgument(QStringLiteral("PATH"),
                                 QStringLiteral("Only this group (PATH/ or PATH) or item "
                                                "(PATH/ITEM) of the version (default: all of it)."),
                                 QStringLiteral("[PATH]"));
    AddDataFileOptions(parser);
}

// The version number argument (from 1), or nothing after the usage message.
std::optional<int> VersionNumber(const QString& text, CliIo& io, const char* command) {
    bool ok = false;
    const int number = text.toInt(&ok);
    if (ok && number >= 1 && !text.startsWith(u'+')) return number;
    CliError(io, QStringLiteral("%1 needs a version number from 1, as versions lists them")
                     .arg(QLatin1String(command)));
    return std::nullopt;
}

// A key change that a kill interrupted is completed under the key now given, under the writers'
// lock, before the versions are looked at.
void CompleteKeyChange(const CliDataFiles& files, const QString& verifier) {
    const DataFileLock lock(files.dataPath);
    if (lock.held()) FinishKeyChange(files.dataPath, verifier, CurrentVersionPolicy());
}

// The document of version number (from 1, newest first), or nothing after the reason.
std::optional<XmlDocument> OpenVersion(const CliDataFiles& files, int number,
                                       const QString& verifier, CliIo& io) {
    const std::vector<KeptVersion> versions = ListVersions(files.dataPath, CurrentVersionPolicy());
    const QString shown = QString::number(number);
    if (std::size_t(number) > versions.size()) {
        CliError(io, FormatText(kNoSuchVersion, {shown}));
        return std::nullopt;
    }
    const FileReadResult read =
        ReadRegularFile(versions[std::size_t(number - 1)].path, kDataFileSizeLimit);
    if (!read.ok() || read.bytes.isEmpty()) {
        CliError(io, FormatText(kVersionUnreadable, {shown}));
        return std::nullopt;
    }
    XmlDocument document = DecodeDataFile(read.bytes, verifier);
    if (document.isNull()) {
        CliError(io, FormatText(kVersionOtherKey, {shown}));
        return std::nullopt;
    }
    return document;
}

QString DifferencePath(const DocumentDifference& d) {
    QStringList names = d.groupNames();
    names.append(d.name());
    // A group ends in "/", so that it is told from an item of the same name.
    return FormatGroupPath(names) + (d.group ? QStringLiteral("/") : QString());
}

int RunVersions(const QCommandLineParser& parser, CliIo& io) {
    if (!parser.positionalArguments().isEmpty()) {
        CliError(io, QStringLiteral("versions takes no arguments"));
        return kExitUsage;
    }
    const CliDataFiles files = ResolveDataFiles(parser);
    QString verifier;
    const WipeOwnCopyOnExit wipe(verifier);
    if (!CheckKey(files, io, verifier)) return kExitFailed;
    CompleteKeyChange(files, verifier);
    const std::vector<KeptVersion> versions = ListVersions(files.dataPath, CurrentVersionPolicy());
    for (std::size_t i = 0; i < versions.size(); ++i) {
        const KeptVersion& v = versions[i];
        io.out << (i + 1) << '\t' << v.time.toLocalTime().toString(u"yyyy-MM-dd HH:mm:ss.zzz")
               << '\t' << v.size;
        switch (VersionStateUnder(v, verifier)) {
            case VersionState::Opens:
                break;
            case VersionState::OtherKey:
                io.out << "\tother key";
                break;
            case VersionState::Unreadable:
                io.out << "\tunreadable";
                break;
        }
        io.out << '\n';
    }
    return kExitOk;
}

int RunDiff(const QCommandLineParser& parser, CliIo& io) {
    const QStringList args = parser.positionalArguments();
    if (args.size() != 1) {
        CliError(io, QStringLiteral("diff needs one version number"));
        return kExitUsage;
    }
    const std::optional<int> number = VersionNumber(args.front(), io, "diff");
    if (!number) return kExitUsage;
    const CliDataFiles files = ResolveDataFiles(parser);
    DocumentState state;
    if (!LoadDataFileForCli(files, io, state)) return kExitFailed;
    CompleteKeyChange(files, state.keyVerifier);
    const std::optional<XmlDocument> then = OpenVersion(files, *number, state.keyVerifier, io);
    if (!then) return kExitFailed;
    // "+": only in the data file (added since), "-": only in the version, "~": changed. Values
    // are never printed, secret or not.
    for (const DocumentDifference& d : CompareDocuments(*then, state.document)) {
        const char mark = d.change == DocumentDifference::Change::Added     ? '+'
                          : d.change == DocumentDifference::Change::Removed ? '-'
                                                                            : '~';
        io.out << mark << ' ' << DifferencePath(d) << '\n';
    }
    return kExitOk;
}

// The group the names lead to, taking the first group of each name; a null handle when none.
XmlNode GroupAt(const XmlDocument& document, const QStringList& names) {
    XmlNode group = document.documentElement();
    for (const QString& name : names) {
        XmlNode next;
        for (XmlNode c = group.firstChild(); !c.isNull() && next.isNull(); c = c.nextSibling())
            if (schema::IsGroup(c) && schema::NameOf(c) == name) next = c;
        if (next.isNull()) return {};
        group = next;
    }
    return group;
}

bool HoldsItem(const XmlDocument& document, const QStringList& groups, const QString& name) {
    const XmlNode group = GroupAt(document, groups);
    if (group.isNull()) return false;
    for (XmlNode c = group.firstChild(); !c.isNull(); c = c.nextSibling())
        if ((schema::IsElementNamed(c, schema::kItem) ||
             schema::IsElementNamed(c, schema::kSecret)) &&
            schema::NameOf(c) == name)
            return true;
    return false;
}

// The steps to what PATH names: groups on the way, then the item of that name when the version or
// the data file has one (unless PATH ends in "/"), else the group. Nothing after the message when
// PATH is no path below the root group, or names what neither holds.
std::optional<std::vector<VersionStep>> StepsOf(QString path, const XmlDocument& then,
                                                const XmlDocument& now, int number, CliIo& io) {
    const QString given = path;
    const bool groupOnly =
        path.size() > 1 && path.endsWith(u'/') && !path.endsWith(QStringLiteral("\\/"));
    if (groupOnly) path.chop(1);
    const std::optional<QStringList> names = ParseGroupPath(path);
    if (!names || names->isEmpty()) {
        CliError(io, QStringLiteral("restore needs a group or item path below /"));
        return std::nullopt;
    }
    std::vector<VersionStep> steps;
    for (const QString& name : *names) steps.push_back({true, name, 0});
    const QStringList groups = names->mid(0, names->size() - 1);
    if (!groupOnly &&
        (HoldsItem(then, groups, names->back()) || HoldsItem(now, groups, names->back()))) {
        steps.back().group = false;
        return steps;
    }
    if (GroupAt(then, *names).isNull() && GroupAt(now, *names).isNull()) {
        CliError(io, FormatText(kNotInEither, {EscapeLine(given), QString::number(number)}));
        return std::nullopt;
    }
    return steps;
}

// A data file deleted or emptied by mistake: the whole version becomes the data file again, written
// under the writers' lock while there is still no file (SaveDataFileForCli with no stamp).
int RestoreMissingDataFile(const CliDataFiles& files, int number, CliIo& io) {
    DocumentState state;
    DataFileLock lock;
    if (!LockAfterKey(files, io, lock, state.keyVerifier)) return kExitFailed;
    const std::optional<XmlDocument> then = OpenVersion(files, number, state.keyVerifier, io);
    if (!then) return kExitFailed;
    state.document = *then;
    state.root = then->documentElement();
    return SaveDataFileForCli(files, state, io) ? kExitOk : kExitFailed;
}

int RunRestore(const QCommandLineParser& parser, CliIo& io) {
    const QStringList args = parser.positionalArguments();
    if (args.isEmpty() || args.size() > 2) {
        CliError(io, QStringLiteral("restore needs a version number and at most one path"));
        return kExitUsage;
    }
    const std::optional<int> number = VersionNumber(args.front(), io, "restore");
    if (!number) return kExitUsage;
    const CliDataFiles files = ResolveDataFiles(parser);
    if (args.size() == 1 && QFileInfo(files.dataPath).size() == 0 &&
        !QFileInfo(files.dataPath).isSymLink())
        return RestoreMissingDataFile(files, *number, io);
    return ChangeDataFile(files, io, [&](DocumentState& state) {
        FinishKeyChange(files.dataPath, state.keyVerifier, CurrentVersionPolicy());
        const std::optional<XmlDocument> then = OpenVersion(files, *number, state.keyVerifier, io);
        if (!then) return ChangeResult::Refused;
        XmlDocument restored = *then;
        if (args.size() == 2) {
            const std::optional<std::vector<VersionStep>> steps =
                StepsOf(args[1], *then, state.document, *number, io);
            if (!steps) return ChangeResult::Refused;
            restored = RestoreFromVersion(state.document, *then, {*steps});
        }
        if (restored.sameContent(state.document)) {
            CliError(io, FormatText(kRestoreUnchanged,
                                    {args.size() == 2 ? EscapeLine(args[1])
                                                      : QStringLiteral("データファイル"),
                                     QString::number(*number)}));
            return ChangeResult::Unchanged;
        }
        state.document = restored;
        state.root = restored.documentElement();
        return ChangeResult::Changed;
    });
}

}  // namespace

CliCommand VersionsCommand() {
    return {"versions", "versions [--ini PATH] [--data PATH]",
            "List the earlier versions of the data file kept on this machine, newest first: "
            "number, time, size, and \"unreadable\" or \"other key\" where so (after the key).",
            VersionsOptions, RunVersions};
}

CliCommand DiffCommand() {
    return {"diff", "diff N [--ini PATH] [--data PATH]",
            "Print what differs between version N and the data file, one group or item a line: "
            "\"+\" added since, \"-\" removed since, \"~\" changed; values are never shown (after "
            "the key).",
            DiffOptions, RunDiff};
}

CliCommand RestoreCommand() {
    return {"restore", "restore N [PATH] [--ini PATH] [--data PATH]",
            "Make version N the data file, or take back only the group or item PATH as version N "
            "holds it; what it replaces is kept as a version (after the key).",
            RestoreOptions, RunRestore};
}
